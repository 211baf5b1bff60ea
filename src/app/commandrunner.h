// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/*
 * The one room where board commands run: Save, Verify, Load, Merge, a paste of several lines, Run,
 * Memory, Reset and the memory top. One runs at a time; while it runs, any other is refused with a
 * status text, and the front end disables their menu entries (busyChanged).
 *
 * How a command waits. A command is a plain call that types into the board and waits through the
 * Pause. A pause runs the event loop, so the window paints and the line is read, but the user's
 * input passes the input gate first: Escape and the Cancel button cancel the command; every other
 * key, click, wheel turn or shortcut is held and delivered in order once the command has returned.
 * A Save or Verify lets typed keys through to the board (a Ctrl-C ends a program whose output would
 * otherwise hold the capture open).
 *
 * What is held. From a command's first pause that does not watch the board (a fixed pause), the
 * chunks the board sends are held by the receive path and shown right after the command returns; a
 * pause that watches for the board's answer (a prompt-paced upload, a capture) sees them at once.
 *
 * How it ends. A command stops early when it is cancelled: by the user, by the line going down under
 * it (the line said so through its problem signal), or by a request to quit the program (the quit
 * waits until the command has stopped, then goes on). The command itself says how it ended, in its
 * status text. A board command is not started on a line that is down: nothing would arrive.
 */

#include "terminal/pause.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class ReceivePath;
class SerialLine;
class Surface;

// What the user may do while a command waits: the main window's input gate. It is also installed
// as the application event filter around every pause.
class CommandInput
{
public:
    virtual ~CommandInput() = default;
    // keysToBoard: typed keys go to the board meanwhile instead of waiting.
    virtual void commandBegins(bool keysToBoard) = 0;
    // Delivers what was held.
    virtual void commandEnds() = 0;
};

struct CommandOptions
{
    bool keysToBoard = false;  // typed keys go to the board while the command waits
    bool typesProgram = false; // an upload: what the board sends meanwhile is its echo, not its output
};

class CommandRunner : public QObject, public PauseListener
{
    Q_OBJECT
public:
    CommandRunner(Pause& pause, ReceivePath& receive, SerialLine& line, Surface& surface);
    ~CommandRunner() override;

    // filter is the same object as input, seen as the event filter the pauses install.
    void setInput(CommandInput* input, QObject* filter);

    // Runs the command to its end and returns true; or refuses it with a status text (another
    // command runs, the line is down) and returns false.
    bool run(const QString& name, const std::function<void()>& command, CommandOptions options = {});
    bool busy() const { return !m_current.isEmpty(); }
    QString current() const { return m_current; }
    // The running command's; the defaults when none runs.
    const CommandOptions& options() const { return m_options; }
    void cancel(CancelReason reason = CancelReason::User);
    // Runs once no command runs any more: at once when none does.
    void afterCommand(std::function<void()> action);

    QString notOpenText() const;

signals:
    void busyChanged(bool busy);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pauseBegins(bool holdChunks) override;
    void pauseEnds() override {}
    void checkLine();

    Pause& m_pause;
    ReceivePath& m_receive;
    SerialLine& m_line;
    Surface& m_surface;
    CommandInput* m_input = nullptr;
    QString m_current; // the command running; empty when none
    CommandOptions m_options;
    bool m_quitAsked = false;
    QList<std::function<void()>> m_afterCommand;
};
