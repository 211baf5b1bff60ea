// SPDX-License-Identifier: GPL-3.0-or-later
// Load Program on the simulated board with the genuine board's habits (per-line times, 0.45 s for the
// first line after "new", characters lost while it works, output at 9600 baud), through Korvel's own
// path: the real QtSerialLine on the board tool's pseudo-terminal, the real QtClock, the receive path
// with the upload as its tap. For each pacing: the wall time of the upload, the processor time the
// process spent meanwhile (getrusage), and whether Verify Program then finds the board's program whole.
//
//   build/bench/upload_bench [--lines N] [--fixed-lines M] [--line-ms N|MIN-MAX] [--baud N] [--boardsim PATH]
//
// Prompt pacing loads N lines (100). Fixed pacing takes one second a line, so it loads M lines (10)
// and the time for N is extrapolated from that: (N + 1) seconds' worth, "new" included.
// Goals: prompt pacing under 6 s for 100 lines, under 2% of a core; fixed about N + 1 s.

#include "serialrig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

const char* verdict(bool pass)
{
    return pass ? "PASS" : "FAIL";
}

// Korvel's parts an upload touches, at 9600 baud.
struct Rig : SerialRig
{
    explicit Rig(const QString& device) : SerialRig(device, 9600) {}

    // Runs the event loop until the condition holds or the time is up, looking every 5 ms.
    static bool runUntil(const std::function<bool()>& done, int ms)
    {
        QEventLoop loop;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            if (done()) loop.quit();
        });
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        tick.start(5);
        if (!done()) loop.exec();
        return done();
    }
};

struct Run
{
    double wall = 0;
    double cpu = 0;
    QString status;
    QString verified;
};

// Lines of 20 to 60 characters, as programs have them.
QByteArray program(int lines)
{
    QByteArray text;
    for (int n = 1; n <= lines; ++n) {
        switch (n % 4) {
        case 0:
            text += QByteArray::number(n * 10) + " PRINT \"LINE " + QByteArray::number(n) + "\", A*B\r\n";
            break;
        case 1:
            text += QByteArray::number(n * 10) + " FOR I=1 TO " + QByteArray::number(n) + " : A=A+I : NEXT I\r\n";
            break;
        case 2:
            text += QByteArray::number(n * 10) + " IF A>B THEN B=A : REM keep the larger one\r\n";
            break;
        default:
            text += QByteArray::number(n * 10) + " X=" + QByteArray::number(n) + "*2+1\r\n";
            break;
        }
    }
    return text;
}

Run load(Rig& rig, Pacing pacing, int lines)
{
    const QString path = rig.dir.filePath(QStringLiteral("BENCH%1.LIS").arg(lines));
    QFile file(path);
    const QByteArray text = program(lines);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
    file.close();
    // Whatever the board still had to say goes first.
    Rig::runUntil([] { return false; }, 300);

    Run run;
    rig.upload.setPacing(pacing);
    rig.dialog.answers = {path};
    QElapsedTimer wall;
    const double cpu0 = cpuSeconds();
    wall.start();
    rig.runner.run(QStringLiteral("Load Program"), [&] { rig.upload.loadProgram(); });
    run.wall = wall.nsecsElapsed() / 1e9;
    run.cpu = cpuSeconds() - cpu0;
    run.status = rig.surface.status;

    rig.dialog.answers = {path};
    rig.runner.run(QStringLiteral("Verify Program"), [&] { rig.capture.verifyProgram(); });
    run.verified = rig.surface.status;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int lines = 100;
    int fixedLines = 10;
    QString lineMs = QStringLiteral("10-30");
    QString baud = QStringLiteral("9600");
    QString boardsim = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/boardsim/korvel-boardsim");
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--lines") && i + 1 < argc)
            lines = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--fixed-lines") && i + 1 < argc)
            fixedLines = std::max(0, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--line-ms") && i + 1 < argc)
            lineMs = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--baud") && i + 1 < argc)
            baud = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--boardsim") && i + 1 < argc)
            boardsim = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr, "usage: upload_bench [--lines N] [--fixed-lines M] [--line-ms N|MIN-MAX] "
                                 "[--baud N] [--boardsim PATH]\n");
            return 2;
        }
    }

    const QStringList boardArgs{QStringLiteral("--line-ms"),
                                lineMs,
                                QStringLiteral("--first-line-ms"),
                                QStringLiteral("450"),
                                QStringLiteral("--lossy"),
                                QStringLiteral("--baud"),
                                baud};
    QProcess board;
    board.start(QFileInfo(boardsim).absoluteFilePath(), boardArgs);
    if (!board.waitForStarted() || !board.waitForReadyRead(10000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(boardsim));
        return 2;
    }
    const QString device = QString::fromLocal8Bit(board.readLine()).trimmed();
    std::printf("board: korvel-boardsim %s on %s\n", qPrintable(boardArgs.join(u' ')), qPrintable(device));

    bool pass = true;
    {
        Rig rig(device);
        if (!rig.line.isOpen()) {
            std::fprintf(stderr, "the line did not open %s\n", qPrintable(device));
            return 2;
        }
        const Run prompt = load(rig, Pacing::Prompt, lines);
        const double percent = prompt.cpu / prompt.wall * 100;
        std::printf("\n== prompt pacing, %d lines\nwall %.3f s (%.1f ms a line), CPU %.4f s = %.2f%% of a core\n",
                    lines, prompt.wall, prompt.wall * 1e3 / (lines + 1), prompt.cpu, percent);
        std::printf("status after the upload: \"%s\"\nverify: %s\n", qPrintable(prompt.status),
                    qPrintable(prompt.verified));
        const bool whole =
            prompt.status.isEmpty() && prompt.verified.startsWith(QLatin1String("Program on the board matches"));
        std::printf("goal under 6 s for 100 lines: %.3f s %s\n", prompt.wall * 100.0 / lines,
                    verdict(prompt.wall * 100.0 / lines < 6.0));
        std::printf("goal under 2%% of a core: %.2f%% %s\n", percent, verdict(percent < 2.0));
        std::printf("goal no line lost: %s\n", verdict(whole));
        pass = whole && percent < 2.0 && prompt.wall * 100.0 / lines < 6.0;

        if (fixedLines > 0) {
            const Run fixed = load(rig, Pacing::Fixed, fixedLines);
            const double extrapolated = fixed.wall / (fixedLines + 1) * (lines + 1);
            std::printf("\n== fixed pacing, %d lines\nwall %.3f s, CPU %.4f s = %.2f%% of a core\n", fixedLines,
                        fixed.wall, fixed.cpu, fixed.cpu / fixed.wall * 100);
            std::printf("status after the upload: \"%s\"\nverify: %s\n", qPrintable(fixed.status),
                        qPrintable(fixed.verified));
            std::printf("extrapolated to %d lines and \"new\": %.2f s\n", lines, extrapolated);
            const bool fixedWhole =
                fixed.status.isEmpty() && fixed.verified.startsWith(QLatin1String("Program on the board matches"));
            std::printf("goal about %d s: %s; no line lost: %s\n", lines + 1,
                        verdict(extrapolated >= lines + 1 && extrapolated < (lines + 1) * 1.02), verdict(fixedWhole));
            pass = pass && fixedWhole && extrapolated >= lines + 1 && extrapolated < (lines + 1) * 1.02;
        }
    }
    board.terminate();
    board.waitForFinished(5000);
    return pass ? 0 : 1;
}
