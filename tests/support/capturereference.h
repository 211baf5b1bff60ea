#pragma once

#include <QString>
#include <optional>

// The listing capture's two receive steps written the slow, obvious way: the echo cut and the
// end-marker search both walk the whole buffer again for every chunk, cutting and writing at
// every match. ListingCapture must give the same mode, buffer and file for any split of the
// board's answer into chunks; tests and fuzzers compare the two.
struct CaptureReference
{
    int mode = 4;                // 0 terminal, 4 awaiting the echo, 5 capturing
    QString buffer;              // the capture buffer
    std::optional<QString> file; // the text last written to the target, CR LF included
    int writes = 0;              // how many times the target was written

    // One receive event, tested in the receive path's order 0, 5, 4.
    void receive(const QString& chunk)
    {
        if (mode == 5)
            capture(chunk);
        else if (mode == 4)
            start(chunk);
    }

    void start(const QString& chunk)
    {
        mode = 5;
        buffer = chunk;
        const qsizetype n = buffer.size();
        for (qsizetype i = 1; i <= n; ++i) {
            if (buffer.mid(i - 1, 6) == QStringLiteral("LIST\r\n")) buffer = buffer.mid(i - 1 + 6);
        }
    }

    void capture(const QString& chunk)
    {
        buffer = buffer + chunk;
        const qsizetype n = buffer.size();
        for (qsizetype i = 1; i <= n; ++i) {
            if (buffer.mid(i - 1, 8) == QStringLiteral("READY\r\n>")) {
                mode = 0;
                file = buffer.left(i - 1) + QStringLiteral("\r\n");
                ++writes;
            }
        }
    }
};
