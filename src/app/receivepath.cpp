// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/receivepath.h"

#include "board/listingcapture.h"
#include "terminal/terminalbuffer.h"

#include <algorithm>

ReceivePath::ReceivePath(TerminalBuffer& terminal, ListingCapture& capture) : m_terminal(terminal), m_capture(capture)
{}

void ReceivePath::deliver(const QString& chunk)
{
    if (m_holding) {
        if (!m_held.isEmpty() && m_held.last().size() < kHeldChunkSize)
            m_held.last().append(chunk);
        else
            m_held.append(chunk);
        return;
    }
    dispatch(chunk);
}

void ReceivePath::dispatch(const QString& chunk)
{
    // A burst read at once, or held chunks joined, may be longer than the trim takes away.
    const bool shown = m_capture.mode() == CaptureMode::Terminal;
    if (shown) m_terminal.appendInPieces(chunk);
    if (m_watcher) m_watcher(chunk, shown);
    if (m_capture.mode() == CaptureMode::Capturing) m_capture.captureStep(chunk);
    if (m_capture.mode() == CaptureMode::AwaitingEcho) m_capture.startStep(chunk);
    if (m_scrollToEnd) m_scrollToEnd();
}

void ReceivePath::release()
{
    m_holding = false;
    while (!m_held.isEmpty())
        dispatch(m_held.takeFirst());
}
