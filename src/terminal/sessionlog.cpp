// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/sessionlog.h"

#include "platform/filedialog.h"
#include "platform/profile.h"
#include "platform/prompter.h"
#include "terminal/surface.h"

#include <QFileInfo>

namespace {

const QString kSection = QStringLiteral("Log");
const QString kKey = QStringLiteral("File");
constexpr int kPathSize = 4096;

} // namespace

SessionLog::SessionLog(FileDialog& dialog, Prompter& prompter, Profile& profile, Surface& surface)
    : m_dialog(dialog), m_prompter(prompter), m_profile(profile), m_surface(surface)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &SessionLog::flush);
}

SessionLog::~SessionLog()
{
    // The window that listens is being taken down too; the file is closed all the same.
    blockSignals(true);
    stop();
}

void SessionLog::toggle()
{
    if (isLogging()) {
        stop();
        return;
    }
    FileRequest request;
    request.mode = FileRequest::Mode::Save;
    request.filter =
        QStringLiteral(QT_TRANSLATE_NOOP("FileDialog", "Log files (*.log);;Text files (*.txt);;All files (*)"));
    request.defaultSuffix = QStringLiteral("log");
    request.proposedName = m_profile.readString(kSection, kKey, QString(), kPathSize);
    // The dialog's own replace question would offer no way to append; ours does.
    request.confirmOverwrite = false;
    const std::optional<QString> chosen = m_dialog.ask(request);
    if (!chosen || chosen->isEmpty()) return;

    bool append = false;
    if (QFileInfo::exists(*chosen)) {
        const Prompter::Answer answer = m_prompter.ask(
            tr("Log to File"), tr("%1 already exists. Add this session to its end, or replace it?").arg(*chosen),
            tr("Append"), tr("Replace"));
        if (answer == Prompter::Answer::Cancel) return;
        append = answer == Prompter::Answer::First;
    }
    // Only a proposal for next time: a settings file that cannot be written changes nothing here.
    if (start(*chosen, append)) m_profile.writeString(kSection, kKey, *chosen);
}

bool SessionLog::start(const QString& path, bool append)
{
    stop();
    m_file.setFileName(path);
    // Unbuffered: the bytes wait in m_pending alone, so a failed write is seen at once and
    // nothing is left half in a buffer of Qt's.
    const QIODevice::OpenMode mode =
        QIODevice::WriteOnly | QIODevice::Unbuffered | (append ? QIODevice::Append : QIODevice::Truncate);
    if (!m_file.open(mode)) {
        m_surface.setStatusText(tr("Cannot write %1").arg(path));
        return false;
    }
    emit loggingChanged(true, path);
    return true;
}

void SessionLog::stop()
{
    if (!isLogging()) return;
    flush();
    // A failed flush has closed the file and said so already.
    if (!isLogging()) return;
    m_file.close();
    emit loggingChanged(false, QString());
}

void SessionLog::write(QStringView chunk)
{
    if (!isLogging() || chunk.isEmpty()) return;
    m_pending.append(chunk.toLatin1());
    if (m_pending.size() >= kFlushBytes)
        flush();
    else if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void SessionLog::flush()
{
    m_flushTimer.stop();
    if (m_pending.isEmpty() || !isLogging()) return;
    if (m_file.write(m_pending) != m_pending.size()) {
        fail();
        return;
    }
    // Keeps the capacity: the next second's bytes need the room again.
    m_pending.resize(0);
}

void SessionLog::fail()
{
    const QString name = m_file.fileName();
    const QString reason = m_file.errorString();
    m_pending.clear();
    m_file.close();
    m_surface.setStatusText(tr("Cannot write %1").arg(name));
    emit loggingChanged(false, QString());
    emit stoppedByFailure(name, reason);
}
