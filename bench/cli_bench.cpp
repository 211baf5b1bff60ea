// SPDX-License-Identifier: GPL-3.0-or-later
// korvel-cli against the window's own path, on the simulated board with the genuine board's habits
// (korvel-boardsim --line-ms 10-30 --first-line-ms 450 --lossy --baud 9600, the same seed for each):
//
//   load   100 lines prompt-paced: the window's Load Program (the parts upload_bench wires: the real
//          QtSerialLine and QtClock, the runner, the receive path) against `korvel-cli -p DEV load`,
//          timed from the process's start to its end, start-up included;
//   sync   one line changed in that program: `korvel-cli -p DEV --json sync`, and the lines it sent;
//   start  from the start of `korvel-cli -p PTY send x` to the first byte on a pseudo-terminal of
//          the bench's own.
//
//   build/bench/cli_bench [--runs N] [--lines N] [--boardsim PATH] [--cli PATH]
// Goal: korvel-cli's load within 5% of the window's; sync sends one line.

#include "benchprogram.h"
#include "serialrig.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {


double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

struct Board
{
    explicit Board(const QString& tool)
    {
        process.start(tool, {QStringLiteral("--line-ms"), QStringLiteral("10-30"), QStringLiteral("--first-line-ms"),
                             QStringLiteral("450"), QStringLiteral("--lossy"), QStringLiteral("--baud"),
                             QStringLiteral("9600"), QStringLiteral("--seed"), QStringLiteral("7")});
        if (process.waitForStarted() && process.waitForReadyRead(10000))
            device = QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    ~Board()
    {
        process.terminate();
        process.waitForFinished(5000);
    }
    QProcess process;
    QString device;
};

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
}

// Runs korvel-cli to its end; the wall time in seconds, its exit status and standard output.
double runCli(const QString& cli, const QStringList& arguments, int* status, QByteArray* out = nullptr)
{
    QProcess process;
    const double start = monotonicSeconds();
    process.start(cli, arguments);
    process.waitForFinished(120000);
    const double wall = monotonicSeconds() - start;
    *status = process.exitCode();
    if (out) *out = process.readAllStandardOutput();
    return wall;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 3;
    int lines = 100;
    const QString here = QCoreApplication::applicationDirPath();
    QString boardsim = here + QStringLiteral("/../tools/boardsim/korvel-boardsim");
    QString cli = here + QStringLiteral("/../korvel-cli");
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--lines") && i + 1 < argc)
            lines = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--boardsim") && i + 1 < argc)
            boardsim = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--cli") && i + 1 < argc)
            cli = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr, "usage: cli_bench [--runs N] [--lines N] [--boardsim PATH] [--cli PATH]\n");
            return 2;
        }
    }
    boardsim = QFileInfo(boardsim).absoluteFilePath();
    cli = QFileInfo(cli).absoluteFilePath();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("BENCH.LIS"));
    const QString changedPath = dir.filePath(QStringLiteral("CHANGED.LIS"));
    write(path, benchProgram(lines));
    QByteArray changed = benchProgram(lines);
    changed.replace("520 PRINT \"LINE 52\"", "520 PRINT \"LINE 5Z\"");
    write(changedPath, changed);

    QList<double> window, command, sync, start;
    bool pass = true;
    for (int run = 0; run < runs; ++run) {
        {
            Board board(boardsim);
            SerialRig rig(board.device, 9600);
            rig.upload.setPacing(Pacing::Prompt);
            rig.dialog.answers = {path};
            const double begin = monotonicSeconds();
            rig.runner.run(QStringLiteral("Load Program"), [&] { rig.upload.loadProgram(); });
            window.append(monotonicSeconds() - begin);
            pass = pass && rig.surface.status.isEmpty(); // a load without a problem leaves none
        }
        {
            Board board(boardsim);
            int status = 0;
            command.append(
                runCli(cli, {QStringLiteral("-q"), QStringLiteral("-p"), board.device, QStringLiteral("load"), path},
                       &status));
            pass = pass && status == 0;
            QByteArray out;
            sync.append(runCli(
                cli,
                {QStringLiteral("--json"), QStringLiteral("-p"), board.device, QStringLiteral("sync"), changedPath},
                &status, &out));
            const int sent = QJsonDocument::fromJson(out).object().value(QLatin1String("sent")).toInt();
            pass = pass && status == 0 && sent == 1;
        }
        {
            // A terminal of the bench's own: the first byte korvel-cli writes is the first of "x".
            int master = -1, slave = -1;
            char name[128];
            if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) return 2;
            termios raw{};
            ::tcgetattr(slave, &raw);
            ::cfmakeraw(&raw);
            ::tcsetattr(slave, TCSANOW, &raw);
            QProcess process;
            const double begin = monotonicSeconds();
            process.start(cli, {QStringLiteral("-p"), QString::fromLocal8Bit(name), QStringLiteral("--timeout"),
                                QStringLiteral("0.2"), QStringLiteral("send"), QStringLiteral("x")});
            pollfd wait{master, POLLIN, 0};
            if (::poll(&wait, 1, 10000) == 1) start.append(monotonicSeconds() - begin);
            process.waitForFinished(5000);
            ::close(master);
            ::close(slave);
        }
    }
    const double ratio = median(command) / median(window);
    std::printf("board: korvel-boardsim --line-ms 10-30 --first-line-ms 450 --lossy --baud 9600 --seed 7; "
                "%d lines, %d runs, medians\n",
                lines, runs);
    std::printf("window Load Program (prompt):  %.3f s\n", median(window));
    std::printf("korvel-cli load (prompt):      %.3f s  (%+.1f%% of the window's)\n", median(command),
                (ratio - 1) * 100);
    std::printf("korvel-cli sync, 1 changed:    %.3f s\n", median(sync));
    std::printf("korvel-cli start to 1st byte:  %.1f ms\n", median(start) * 1000);
    const bool near = ratio < 1.05;
    std::printf("goal load within 5%% of the window's: %s; every run whole and sync sent 1 line: %s\n",
                near ? "PASS" : "FAIL", pass ? "PASS" : "FAIL");
    return near && pass ? 0 : 1;
}
