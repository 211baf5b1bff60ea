// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandrunner.h"

#include "app/receivepath.h"
#include "platform/serialline.h"
#include "terminal/surface.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <utility>

CommandRunner::CommandRunner(Pause& pause, ReceivePath& receive, SerialLine& line, Surface& surface)
    : m_pause(pause), m_receive(receive), m_line(line), m_surface(surface)
{
    m_pause.setListener(this);
    connect(&m_line, &SerialLine::problem, this, &CommandRunner::checkLine);
}

CommandRunner::~CommandRunner()
{
    m_pause.setListener(nullptr);
    m_pause.setInputGate(nullptr);
}

void CommandRunner::setInput(CommandInput* input, QObject* filter)
{
    m_input = input;
    m_pause.setInputGate(filter);
}

bool CommandRunner::run(const QString& name, const std::function<void()>& command, CommandOptions options)
{
    if (busy()) {
        m_surface.setStatusText(tr("Not started: %1 is still running").arg(m_current));
        return false;
    }
    if (!m_line.isOpen()) {
        m_surface.setStatusText(notOpenText());
        return false;
    }
    m_current = name;
    m_options = options;
    m_pause.begin();
    if (m_input) m_input->commandBegins(options.keysToBoard);
    // A request to quit (a session manager's, say) reaches the application as a Quit event; it
    // waits for the command, which it cancels. Left alone it would make every later pause return
    // at once, and the command would spin to its end.
    if (auto* app = QCoreApplication::instance()) app->installEventFilter(this);
    emit busyChanged(true);

    command();

    if (auto* app = QCoreApplication::instance()) app->removeEventFilter(this);
    m_pause.end();
    // Still the command's: what it held back is shown as part of it.
    m_receive.release();
    m_current.clear();
    m_options = {};
    if (m_input) m_input->commandEnds();
    emit busyChanged(false);
    // An action may start a command of its own; take the list first so that one lands in a fresh list.
    const auto actions = std::exchange(m_afterCommand, {});
    for (const auto& action : actions)
        action();
    if (std::exchange(m_quitAsked, false)) QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return true;
}

void CommandRunner::cancel(CancelReason reason)
{
    if (busy()) m_pause.cancel(reason);
}

void CommandRunner::afterCommand(std::function<void()> action)
{
    if (busy())
        m_afterCommand.append(std::move(action));
    else
        action();
}

QString CommandRunner::notOpenText() const
{
    return tr("Not sent: %1 is not open").arg(m_line.portLabel());
}

bool CommandRunner::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance() && busy()) {
        m_quitAsked = true;
        cancel(CancelReason::Quit);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void CommandRunner::pauseBegins(bool holdChunks)
{
    if (holdChunks && busy()) m_receive.hold();
}

void CommandRunner::checkLine()
{
    if (busy() && !m_line.isOpen()) cancel(CancelReason::LineLost);
}
