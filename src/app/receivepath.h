// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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
// While held (the command runner decides when: see app/commandrunner.h), chunks wait and are
// dispatched in arrival order, in the mode that then holds, on release().
class ReceivePath
{
public:
    ReceivePath(TerminalBuffer& terminal, ListingCapture& capture);

    void setScrollToEnd(std::function<void()> scroll) { m_scrollToEnd = std::move(scroll); }
    // Sees every chunk as it is dispatched: shown in the terminal, or taken by the capture.
    void setWatcher(std::function<void(QStringView chunk, bool shown)> watcher) { m_watcher = std::move(watcher); }

    // Entry point for the serial line's chunks.
    void deliver(const QString& chunk);

    void hold() { m_holding = true; }
    bool holding() const { return m_holding; }
    // Dispatches what was held and stops holding.
    void release();
    qsizetype heldChunks() const { return m_held.size(); }

private:
    void dispatch(const QString& chunk);

    // Held chunks are joined up to this size: the board's output is split at arbitrary
    // places anyway, and a flood during an 11 s Reset must not cost a string per byte.
    static constexpr qsizetype kHeldChunkSize = 4096;

    TerminalBuffer& m_terminal;
    ListingCapture& m_capture;
    std::function<void()> m_scrollToEnd;
    std::function<void(QStringView, bool)> m_watcher;
    bool m_holding = false;
    QList<QString> m_held;
};
