// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/linesplitter.h"

#include <utility>

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

} // namespace

void LineSplitter::LoneCrFinder::feed(QByteArrayView bytes)
{
    if (bytes.isEmpty() || m_found) return;
    if (m_lastCr && bytes.front() != kLf) m_found = true;
    for (qsizetype cr = bytes.indexOf(kCr); cr >= 0 && !m_found; cr = bytes.indexOf(kCr, cr + 1)) {
        if (cr + 1 < bytes.size() && bytes[cr + 1] != kLf) m_found = true;
    }
    m_lastCr = bytes.back() == kCr;
}

QList<LineSplitter::Line> LineSplitter::feed(QByteArrayView bytes)
{
    QList<Line> lines;
    qsizetype start = 0;
    if (m_anyEnd) {
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c != kCr && c != kLf) continue;
            const bool lfOfCrLf = c == kLf && (i > 0 ? bytes[i - 1] == kCr : m_previousCr);
            m_pending.append(bytes.sliced(start, i - start));
            start = i + 1;
            // The CR in front has ended this line already.
            if (lfOfCrLf) continue;
            m_pending.append("\r\n");
            lines.append({i + 1, std::exchange(m_pending, QByteArray())});
        }
    } else {
        for (qsizetype lf = bytes.indexOf(kLf); lf >= 0; lf = bytes.indexOf(kLf, lf + 1)) {
            // The CR of a CR LF may be the last byte of the previous block.
            const bool afterCr = lf > 0 ? bytes[lf - 1] == kCr : m_previousCr;
            m_pending.append(bytes.sliced(start, lf + 1 - start));
            if (!afterCr) {
                // The board takes a line only at CR; a bare LF would run two lines into one.
                m_pending.chop(1);
                m_pending.append("\r\n");
            }
            lines.append({lf + 1, std::exchange(m_pending, QByteArray())});
            start = lf + 1;
        }
    }
    m_pending.append(bytes.sliced(start));
    if (!bytes.isEmpty()) m_previousCr = bytes.back() == kCr;
    return lines;
}

std::optional<QByteArray> LineSplitter::finish()
{
    m_previousCr = false;
    if (m_pending.isEmpty()) return std::nullopt;
    QByteArray last = std::exchange(m_pending, QByteArray());
    last.append("\r\n");
    return last;
}
