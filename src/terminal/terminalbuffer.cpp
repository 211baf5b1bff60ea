// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/terminalbuffer.h"

#include <algorithm>

void TerminalBuffer::append(QStringView chunk)
{
    // The trim is decided before the chunk goes in, so the text may run one chunk past the
    // limit until the next chunk arrives; one chunk trims at most once.
    if (m_text.size() > kTrimAbove) {
        if (!m_changes.reset) {
            // While the view still holds what is being dropped, tell it what to remove; once a
            // burst has pushed out more than the view ever saw, a fresh start is cheaper.
            if (m_changes.dropped + kTrimBy <= m_seenLength) {
                m_changes.dropped += kTrimBy;
            } else {
                m_changes.reset = true;
                m_changes.dropped = 0;
            }
        }
        m_text.remove(0, kTrimBy);
    }
    m_text.append(chunk);
}

void TerminalBuffer::appendInPieces(QStringView text)
{
    do {
        const qsizetype piece = std::min(text.size(), kTrimBy);
        append(text.first(piece));
        text = text.sliced(piece);
    } while (!text.isEmpty());
}

void TerminalBuffer::clear()
{
    m_text.clear();
    m_changes.reset = true;
    m_changes.dropped = 0;
    if (m_clearListener) m_clearListener();
}

TerminalBuffer::Changes TerminalBuffer::takeChanges()
{
    Changes changes = m_changes;
    m_changes = {};
    if (!changes.reset) changes.added = m_text.size() - (m_seenLength - changes.dropped);
    m_seenLength = m_text.size();
    return changes;
}
