// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/receivepath.h"

#include "board/listingcapture.h"
#include "terminal/terminalbuffer.h"

#include <algorithm>

ReceivePath::ReceivePath(TerminalBuffer& terminal, ListingCapture& capture) : m_terminal(terminal), m_capture(capture)
{}

void ReceivePath::deliver(const QString& chunk)
{
    if (m_tap) m_tap->chunkArrived(chunk);
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
    if (m_capture.mode() == CaptureMode::Terminal) {
        // The trim takes 5000 characters per chunk, so chunks longer than that (a burst read at
        // once, or held chunks joined) would let the text grow without bound: they go in as pieces.
        QStringView rest(chunk);
        do {
            const qsizetype piece = std::min(rest.size(), TerminalBuffer::kTrimBy);
            m_terminal.append(rest.first(piece));
            rest = rest.sliced(piece);
        } while (!rest.isEmpty());
    }
    if (m_capture.mode() == CaptureMode::Capturing) m_capture.captureStep(chunk);
    if (m_capture.mode() == CaptureMode::AwaitingEcho) m_capture.startStep(chunk);
    if (m_scrollToEnd) m_scrollToEnd();
}

void ReceivePath::beginCommand()
{
    ++m_depth;
}

void ReceivePath::endCommand()
{
    if (m_depth == 0 || --m_depth > 0) return;
    m_holding = false;
    while (!m_held.isEmpty())
        dispatch(m_held.takeFirst());
    // An action may start a command of its own; take the list first so that one lands in a fresh list.
    const auto actions = std::exchange(m_afterCommand, {});
    for (const auto& action : actions)
        action();
}

void ReceivePath::afterCommand(std::function<void()> action)
{
    if (m_depth > 0)
        m_afterCommand.append(std::move(action));
    else
        action();
}
