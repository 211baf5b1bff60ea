// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

// Cuts the bytes of a listing file into the lines sent to the board, fed block by block.
//
// A line ends where CR is followed by LF; it goes out unchanged, so CR CR LF keeps both CRs. An LF
// that no CR precedes also ends a line (files written on Linux); that line goes out as its text
// followed by CR LF. What is left after the last line end is handed out by finish(), followed by
// CR LF.
//
// A file that holds a CR not followed by an LF (old Mac editors end lines in CR alone, and a Linux
// tool may have added one final LF) is cut with anyEnd set: then every CR, LF and CR LF ends a
// line, which goes out as its text followed by CR LF, as the board would read the file typed.
class LineSplitter
{
public:
    struct Line
    {
        qsizetype end = 0; // index in the fed block just past the byte that completed the line
        QByteArray text;   // what is sent, ending in CR LF
    };

    explicit LineSplitter(bool anyEnd = false) : m_anyEnd(anyEnd) {}

    // Whether a file needs anyEnd, fed block by block: it holds a CR that no LF follows.
    class LoneCrFinder
    {
    public:
        void feed(QByteArrayView bytes);
        bool found() const { return m_found || m_lastCr; }

    private:
        bool m_found = false;
        bool m_lastCr = false;
    };

    // Feeds the next bytes of the file; returns the lines they complete, in order.
    QList<Line> feed(QByteArrayView bytes);
    // The text still pending at the end of the file as a line ending in CR LF; nullopt when
    // nothing is pending. Leaves the splitter empty.
    std::optional<QByteArray> finish();

    const QByteArray& pending() const { return m_pending; }

private:
    bool m_anyEnd = false;
    QByteArray m_pending;
    bool m_previousCr = false; // the last byte fed was a CR (a CR LF may straddle two blocks)
};
