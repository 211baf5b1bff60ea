// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QStringView>
#include <QTimer>

class FileDialog;
class Profile;
class Prompter;
class Surface;

// The session log (File, Log to File...): everything the board sends, byte for byte as it
// arrived, written to a file the user chose. It is fed every chunk at arrival, before the
// receive path holds or dispatches it, so it keeps what the terminal trims away and what a
// listing capture swallows.
//
// Bytes wait in memory until a second has passed since the first of them arrived, or 64 KiB have
// gathered: a flood costs a write per 64 KiB, an idle line no wakeup at all (the flush timer runs
// only while something waits). A write that fails (a full disk) stops the log and says so; what
// reached the file before stays in it. The log is off at every start; the last file chosen is kept
// in the settings file, [Log] File=, and proposed the next time.
class SessionLog : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFlushMs = 1000;
    static constexpr qsizetype kFlushBytes = 64 * 1024;

    SessionLog(FileDialog& dialog, Prompter& prompter, Profile& profile, Surface& surface);
    ~SessionLog() override;

    // The menu entry: asks for a file (append to it or replace it when it exists) and starts
    // logging, or stops when logging.
    void toggle();
    // False, with "Cannot write NAME" in the status bar, when the file cannot be opened.
    bool start(const QString& path, bool append);
    // Writes what waits and closes the file; nothing when not logging.
    void stop();

    bool isLogging() const { return m_file.isOpen(); }
    QString fileName() const { return m_file.fileName(); }

    // One received chunk; every character is one byte (the line converts one byte per character).
    void write(QStringView chunk);
    void flush();

signals:
    void loggingChanged(bool logging, const QString& fileName);
    // A write failed and the log stopped; the main window keeps saying so until the next log.
    void stoppedByFailure(const QString& fileName, const QString& reason);

private:
    void fail();

    FileDialog& m_dialog;
    Prompter& m_prompter;
    Profile& m_profile;
    Surface& m_surface;
    QFile m_file;
    QByteArray m_pending; // received, not yet written
    QTimer m_flushTimer;
};
