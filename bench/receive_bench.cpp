// SPDX-License-Identifier: GPL-3.0-or-later
// Pushes at least 20 MB of board output through the receive path (dispatch, terminal text and
// display) in chunks of 1, 16, 256 and 4096 bytes, the display following every kSyncIntervalMs
// as in the running program, checks the final terminal text and display against the plain model,
// and prints MB/s and CPU seconds per MB.
//
//   QT_QPA_PLATFORM=offscreen build/bench/receive_bench [megabytes]
#include "receiverig.h"

#include "app/receivepath.h"
#include "board/listingcapture.h"
#include "terminal/terminalbuffer.h"
#include "terminal/terminalview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A BASIC-52 listing as the board sends it, line after line.
QString listing(qsizetype bytes)
{
    static const char* const bodies[] = {"PRINT \"HELLO WORLD\"", "FOR I=1 TO 100",  "X=XBY(0E000H)", "NEXT I",
                                         "ONTIME 5,2000",         "IF A>10 THEN 100"};
    QString text;
    text.reserve(bytes + 64);
    for (int n = 10; text.size() < bytes; n = n % 65000 + 1)
        text += QStringLiteral("%1 %2\r\n").arg(n).arg(QLatin1String(bodies[n % 6]));
    text.truncate(bytes);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 20.0;
    const QString payload = listing(static_cast<qsizetype>(megabytes * 1024 * 1024));
    bool allExact = true;

    std::printf("%-8s %10s %10s %12s %8s\n", "chunk", "MB", "MB/s", "CPU s/MB", "exact");
    for (const qsizetype chunkSize : {1, 16, 256, 4096}) {
        ReceiveRig rig;
        TerminalBuffer& terminal = rig.terminal;
        ReceivePath& receive = rig.receive;
        TerminalView view(terminal);
        view.resize(593, 513);
        view.show();
        receive.setScrollToEnd([&view] { view.requestScrollToEnd(); });

        // The plain model: read the whole text, trim above 15000, append.
        QString plain;

        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        qint64 lastSync = 0;
        for (qsizetype at = 0; at < payload.size(); at += chunkSize) {
            receive.deliver(payload.mid(at, chunkSize));
            if (wall.elapsed() - lastSync >= TerminalView::kSyncIntervalMs) {
                view.sync();
                QCoreApplication::processEvents(); // paint, as the event loop would
                lastSync = wall.elapsed();
            }
        }
        view.sync();
        QCoreApplication::processEvents();
        const double seconds = wall.nsecsElapsed() / 1e9;
        const double cpu = cpuSeconds() - cpu0;

        for (qsizetype at = 0; at < payload.size(); at += chunkSize) {
            if (plain.size() > 15000) plain.remove(0, 5000);
            plain += QStringView(payload).mid(at, chunkSize);
        }
        const bool exact = terminal.text() == plain && view.toPlainText() == TerminalView::displayText(plain);
        allExact = allExact && exact;
        const double mb = payload.size() / (1024.0 * 1024.0);
        std::printf("%-8lld %10.1f %10.1f %12.4f %8s\n", static_cast<long long>(chunkSize), mb, mb / seconds, cpu / mb,
                    exact ? "yes" : "NO");
    }
    return allExact ? 0 : 1;
}
