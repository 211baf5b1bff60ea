// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The listing capture's receive steps written the slow, obvious way: every chunk, the whole answer
// is looked at again from its start. ListingCapture must give the same mode, buffer and file for
// any split of the board's answer into chunks; tests and fuzzers compare the two.
//
// The rules: the first "LIST" CR LF at the start of a line (or behind a prompt that starts one) is
// the echo; the answer behind it ends at the first "READY" CR LF ">", and is written when every
// line in front of it is blank or a listing line. Before that, a complete line that cannot stand
// there (a trailing "READY" excepted, its ">" may follow) or an answer past 1 MiB ends the
// capture with nothing written.
struct CaptureReference
{
    int mode = 4;                // 0 terminal, 4 awaiting the echo, 5 capturing
    QString buffer;              // everything received since LIST
    std::optional<QString> file; // the text last written to the target, CR LF included
    int writes = 0;              // how many times the target was written
    bool refused = false;        // the last capture to end was no listing

    void receive(const QString& chunk)
    {
        if (mode == 0) return;
        mode = 5;
        buffer += chunk;
        decide();
    }

    static bool listingLine(const QString& line)
    {
        const QString text = line.trimmed();
        qsizetype i = 0;
        while (i < text.size() && text[i].isDigit())
            ++i;
        if (i == 0 || i > 5 || text.left(i).toInt() > 65535) return false;
        const QString statement = text.mid(i).trimmed();
        if (statement.isEmpty()) return false;
        const char first = statement[0].toLatin1();
        return first == '$' || (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    }

    void decide()
    {
        // The echo: the first "LIST" CR LF at the start of a line, or behind a prompt that starts one.
        qsizetype answerStart = -1;
        for (qsizetype at = buffer.indexOf(QStringLiteral("LIST\r\n")); at >= 0 && answerStart < 0;
             at = buffer.indexOf(QStringLiteral("LIST\r\n"), at + 1)) {
            const QString before = buffer.left(at);
            if (before.isEmpty() || before.endsWith(u'\n') || before.endsWith(u'\r') || before == QStringLiteral(">") ||
                before.endsWith(QStringLiteral("\n>")))
                answerStart = at + 6;
        }
        if (answerStart >= 0) {
            const qsizetype marker = buffer.indexOf(QStringLiteral("READY\r\n>"), answerStart);
            if (marker >= 0) {
                const QString answer = buffer.mid(answerStart, marker - answerStart);
                bool listing = true;
                for (const QString& line : answer.split(u'\n'))
                    listing = listing && (line.trimmed().isEmpty() || listingLine(line));
                end(listing ? std::optional<QString>(answer + QStringLiteral("\r\n")) : std::nullopt);
                return;
            }
        }
        if (buffer.size() - std::max<qsizetype>(0, answerStart) > 1024 * 1024) return end(std::nullopt);
        // Complete lines: those before the echo may be the end of an earlier answer, those after it
        // must be listing lines; the last piece has no LF yet.
        qsizetype at = 0;
        for (qsizetype lf = buffer.indexOf(u'\n'); lf >= 0; at = lf + 1, lf = buffer.indexOf(u'\n', at)) {
            if (answerStart >= 0 && at < answerStart) continue;
            const QString line = buffer.mid(at, lf - at).trimmed();
            if (lf + 1 == buffer.size() && line == QStringLiteral("READY")) return;
            const bool fits = answerStart >= 0 ? line.isEmpty() || listingLine(line)
                                               : line.isEmpty() || line.startsWith(u'>') ||
                                                     line == QStringLiteral("READY") || listingLine(line);
            if (!fits) return end(std::nullopt);
        }
    }

    void end(const std::optional<QString>& written)
    {
        mode = 0;
        refused = !written;
        if (written) {
            file = written;
            ++writes;
        }
    }
};
