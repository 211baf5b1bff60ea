// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/boardcommands.h"

#include "common/numbers.h"
#include "platform/serialline.h"
#include "terminal/pause.h"
#include "terminal/surface.h"
#include "terminal/terminalbuffer.h"

BoardCommands::BoardCommands(SerialLine& line, Pause& pause, TerminalBuffer& terminal, Surface& surface)
    : m_line(line), m_pause(pause), m_terminal(terminal), m_surface(surface)
{}

void BoardCommands::runProgram()
{
    m_line.sendLine(QStringLiteral("RUN\r\n"));
    m_pause.wait(kRunPause);
}

void BoardCommands::memory()
{
    m_line.sendLine(QStringLiteral("?free\r\n"));
}

void BoardCommands::reset(double mtop)
{
    // Cleared first, so the board's sign-on after the reset stands on an empty terminal.
    m_terminal.clear();
    m_surface.setStatusText(tr("Please RESET 80C32 Board!"));
    // A cancel stops the sequence where it stands: what has gone out stays sent, nothing follows.
    const auto cancelled = [this] {
        m_surface.setStatusText(m_pause.cancelReason() == CancelReason::LineLost
                                    ? tr("Reset stopped: %1 was lost").arg(m_line.portName())
                                    : tr("Reset cancelled"));
    };
    // After a reset the interpreter waits for a blank to measure the baud rate. The blanks cover
    // ten seconds, so whenever the user presses the button in that time, some still arrive.
    for (int i = 0; i < kResetBlanks; ++i) {
        m_line.sendLine(QStringLiteral(" "));
        if (!m_pause.wait(kBlankPause)) return cancelled();
    }
    m_line.sendLine(QStringLiteral("\r\n"));
    if (!m_pause.wait(kResetStepPause)) return cancelled();
    setMemoryTop(mtop);
    if (!m_pause.wait(kResetStepPause)) return cancelled();
    m_line.sendLine(QStringLiteral("new\r\n"));
    m_surface.setStatusText(QString());
}

void BoardCommands::setMemoryTop(double mtop)
{
    m_line.sendLine(QStringLiteral("mtop = ") + numbers::signedText(mtop) + QStringLiteral("\r\n"));
}
