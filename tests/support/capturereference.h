// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// The listing capture's two receive steps written the slow, obvious way: the echo cut and the
// end-marker search both walk the whole buffer again for every chunk, cutting and writing at
// every match. ListingCapture must give the same mode, buffer and file for any split of the
// board's answer into chunks; tests and fuzzers compare the two. A capture whose text is no listing
// (a line that is not blank starts with something else than a digit) writes nothing.
struct CaptureReference
{
    int mode = 4;                // 0 terminal, 4 awaiting the echo, 5 capturing
    QString buffer;              // the capture buffer
    std::optional<QString> file; // the text last written to the target, CR LF included
    int writes = 0;              // how many times the target was written
    bool refused = false;        // the last capture to end was no listing

    // One receive event, tested in the receive path's order 0, 5, 4.
    void receive(const QString& chunk)
    {
        if (mode == 5)
            capture(chunk);
        else if (mode == 4)
            start(chunk);
    }

    // The text less an echo of "LIST" that came split (and the line ends before it), when it is a listing.
    static std::optional<QString> listingOf(QString text)
    {
        qsizetype start = 0;
        while (start < text.size() && (text[start] == u'\r' || text[start] == u'\n'))
            ++start;
        if (text.mid(start, 6) == QStringLiteral("LIST\r\n")) text = text.mid(start + 6);
        for (const QString& line : text.split(u'\n')) {
            const QString content = line.trimmed();
            if (!content.isEmpty() && !(content[0] >= u'0' && content[0] <= u'9')) return std::nullopt;
        }
        return text;
    }

    void start(const QString& chunk)
    {
        mode = 5;
        buffer = chunk;
        const qsizetype n = buffer.size();
        for (qsizetype i = 1; i <= n; ++i) {
            if (buffer.mid(i - 1, 6) == QStringLiteral("LIST\r\n")) buffer = buffer.mid(i - 1 + 6);
        }
        endAtPrompts();
    }

    void capture(const QString& chunk)
    {
        buffer = buffer + chunk;
        endAtPrompts();
    }

    void endAtPrompts()
    {
        const qsizetype n = buffer.size();
        bool ended = false;
        bool written = false;
        for (qsizetype i = 1; i <= n; ++i) {
            if (buffer.mid(i - 1, 8) == QStringLiteral("READY\r\n>")) {
                mode = 0;
                ended = true;
                const std::optional<QString> listing = listingOf(buffer.left(i - 1));
                if (listing) {
                    file = *listing + QStringLiteral("\r\n");
                    ++writes;
                    written = true;
                }
            }
        }
        if (ended) refused = !written;
    }
};
