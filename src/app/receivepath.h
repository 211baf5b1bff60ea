// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "terminal/pause.h"
#include "terminal/receivetap.h"

#include <QList>
#include <QString>
#include <functional>

class TerminalBuffer;
class ListingCapture;

// Where each received chunk goes, and when.
//
// A chunk is dispatched by the capture mode, tested in the order terminal, capturing,
// awaiting echo: the capture step may end a capture (5 -> 0) and must not then show the
// chunk, and the chunk that starts a capture (4 -> 5) must not also be appended to it.
// Every chunk, in every mode, asks the view to scroll to the end.
//
// While a command is running and has started pausing, chunks are held and dispatched, in
// arrival order and in the mode that then holds, right after the command returns. The file
// dialogs that come before a command's pauses still see chunks dispatched at once, and so do
// the pauses that watch for the board's prompt. A tap, when set, sees every chunk on arrival,
// before it is held or dispatched.
class ReceivePath : public PauseListener
{
public:
    ReceivePath(TerminalBuffer& terminal, ListingCapture& capture);

    void setScrollToEnd(std::function<void()> scroll) { m_scrollToEnd = std::move(scroll); }
    void setTap(ReceiveTap* tap) { m_tap = tap; }

    // Entry point for the serial line's chunks.
    void deliver(const QString& chunk);

    // Brackets one menu command. Commands may nest (a pause counts as one).
    void beginCommand();
    void endCommand();
    bool commandRunning() const { return m_depth > 0; }
    // From now until the outermost command ends, chunks are held.
    void hold() { m_holding = m_depth > 0; }
    // Runs after the outermost command has ended and the held chunks are dispatched (at once when
    // no command is running): a close requested during a command, for one.
    void afterCommand(std::function<void()> action);

    qsizetype heldChunks() const { return m_held.size(); }

    // A pause counts as a nested command, which starts holding unless it watches for the prompt.
    void pauseBegins(bool holdChunks) override
    {
        beginCommand();
        if (holdChunks) hold();
    }
    void pauseEnds() override { endCommand(); }

private:
    void dispatch(const QString& chunk);

    // Held chunks are joined up to this size: the board's output is split at arbitrary
    // places anyway, and a flood during an 11 s Reset must not cost a string per byte.
    static constexpr qsizetype kHeldChunkSize = 4096;

    TerminalBuffer& m_terminal;
    ListingCapture& m_capture;
    std::function<void()> m_scrollToEnd;
    ReceiveTap* m_tap = nullptr;
    int m_depth = 0;
    bool m_holding = false;
    QList<QString> m_held;
    QList<std::function<void()>> m_afterCommand;
};

// Runs a command between beginCommand() and endCommand(), also when it throws.
class CommandScope
{
public:
    explicit CommandScope(ReceivePath& receive) : m_receive(receive) { m_receive.beginCommand(); }
    ~CommandScope() { m_receive.endCommand(); }
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

private:
    ReceivePath& m_receive;
};
