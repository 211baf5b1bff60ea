// SPDX-License-Identifier: GPL-3.0-or-later
// The pauses between the commands Korvel types, with the real clock and the real serial line on a
// pseudo-terminal whose far end this bench holds:
//  (a) Reset: processor time of the event loop over the whole 11 s command (goal: under 1% of a core);
//  (b) Merge Program of a listing: when each line arrives at the board end, timed there on a reader
//      thread (goal: every gap at least 1.000 s, mean within 5 ms of 1 s, none more than 20 ms over).
//
//   build/bench/pause_bench [--lines N] [--reset-only | --upload-only]
//
// Prints every figure and PASS or FAIL per goal; exits 1 when a goal is missed.

#include "board/boardcommands.h"
#include "common/numbers.h"

#include "serialrig.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <numeric>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct CpuUse
{
    double seconds = 0;
    long switches = 0; // voluntary + involuntary: how often the thread woke or was put aside
};

CpuUse cpuUse(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return {usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6,
            usage.ru_nvcsw + usage.ru_nivcsw};
}

// The board end: the master side of a pseudo-terminal, read on its own thread so that arrival
// times do not depend on Korvel's event loop. Every read is stamped as it returns.
class BoardEnd
{
public:
    struct Arrival
    {
        double at;
        QByteArray bytes;
    };

    BoardEnd()
    {
        if (openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
            std::perror("openpty");
            std::exit(2);
        }
        // Raw: the slave would otherwise echo what Korvel writes and turn CR LF around.
        termios raw{};
        tcgetattr(m_slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(m_slave, TCSANOW, &raw);
        if (pipe(m_stop) != 0) {
            std::perror("pipe");
            std::exit(2);
        }
        m_reader = std::thread([this] { read(); });
    }

    ~BoardEnd()
    {
        [[maybe_unused]] const ssize_t ignored = ::write(m_stop[1], "x", 1);
        m_reader.join();
        ::close(m_stop[0]);
        ::close(m_stop[1]);
        ::close(m_master);
        ::close(m_slave);
    }

    QString slavePath() const { return QString::fromLocal8Bit(ttyname(m_slave)); }

    std::vector<Arrival> take()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_arrivals, {});
    }

private:
    void read()
    {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
        char buffer[4096];
        for (;;) {
            if (poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents) return;
            const ssize_t got = ::read(m_master, buffer, sizeof buffer);
            const double at = monotonicSeconds();
            if (got <= 0) continue;
            std::lock_guard lock(m_mutex);
            m_arrivals.push_back({at, QByteArray(buffer, got)});
        }
    }

    int m_master = -1;
    int m_slave = -1; // held open, so the master never reads EIO between Korvel's opens
    int m_stop[2] = {-1, -1};
    std::thread m_reader;
    std::mutex m_mutex;
    std::vector<Arrival> m_arrivals;
};

// Korvel's parts that a command touches, at 115200 baud, with the board commands besides.
struct Rig : SerialRig
{
    explicit Rig(const QString& device) : SerialRig(device, 115200)
    {
        QObject::connect(&line, &SerialLine::problem,
                         [](const QString& message) { std::fprintf(stderr, "line: %s\n", qPrintable(message)); });
    }

    double mtop = 32768;
    BoardCommands commands{line, pause, terminal, surface};
};

// The last line leaves from the event loop after the command has returned; the reader thread then
// needs a moment to see it.
void letLastBytesArrive()
{
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
}

const char* verdict(bool pass)
{
    return pass ? "PASS" : "FAIL";
}

bool benchReset(BoardEnd& board, Rig& rig)
{
    std::printf("== Reset: %d blanks %.1f s apart, then CR LF, mtop and new, %.1f s apart\n",
                BoardCommands::kResetBlanks, std::chrono::duration<double>(BoardCommands::kBlankPause).count(),
                std::chrono::duration<double>(BoardCommands::kResetStepPause).count());
    board.take();
    const CpuUse thread0 = cpuUse(RUSAGE_THREAD);
    const CpuUse process0 = cpuUse(RUSAGE_SELF);
    const double wall0 = monotonicSeconds();
    rig.commands.reset(rig.mtop);
    const double wall = monotonicSeconds() - wall0;
    const CpuUse thread1 = cpuUse(RUSAGE_THREAD);
    const CpuUse process1 = cpuUse(RUSAGE_SELF);
    letLastBytesArrive();

    const double cpu = thread1.seconds - thread0.seconds;
    const double percent = cpu / wall * 100;
    const long switches = thread1.switches - thread0.switches;
    std::printf("wall %.3f s\n", wall);
    std::printf("event loop thread: CPU %.4f s = %.3f%% of a core, %ld context switches (%.1f/s)\n", cpu, percent,
                switches, switches / wall);
    std::printf("whole process (with the bench's reader thread): CPU %.4f s = %.3f%%\n",
                process1.seconds - process0.seconds, (process1.seconds - process0.seconds) / wall * 100);

    // The blanks as the board sees them: each arrives at least 0.2 s after the one before.
    std::vector<double> blanks;
    QByteArray all;
    for (const BoardEnd::Arrival& arrival : board.take()) {
        for (char c : arrival.bytes)
            if (c == ' ' && all.count(' ') < BoardCommands::kResetBlanks) blanks.push_back(arrival.at);
        all += arrival.bytes;
    }
    double minGap = 1e9, maxGap = 0;
    size_t minAt = 0;
    for (size_t i = 1; i < blanks.size(); ++i) {
        if (blanks[i] - blanks[i - 1] < minGap) minAt = i;
        minGap = std::min(minGap, blanks[i] - blanks[i - 1]);
        maxGap = std::max(maxGap, blanks[i] - blanks[i - 1]);
    }
    std::printf("board end: %lld bytes, %zu blanks, gaps between blanks %.4f (before blank %zu)..%.4f s\n",
                static_cast<long long>(all.size()), blanks.size(), blanks.size() > 1 ? minGap : 0.0, minAt + 1, maxGap);
    const QByteArray expected = QByteArray(BoardCommands::kResetBlanks, ' ') +
                                "\r\nmtop = " + numbers::signedText(rig.mtop).toLatin1() + "\r\nnew\r\n";
    const bool exact = all == expected;
    const bool pass = percent < 1.0;
    std::printf("bytes as sent: %s\n", exact ? "yes" : "NO");
    std::printf("goal CPU under 1%% of a core: %.3f%% %s\n", percent, verdict(pass));
    std::printf("goal Reset lasts at least 11 s: %.3f s %s\n", wall, verdict(wall >= 11.0));
    return pass && exact && wall >= 11.0;
}

bool benchUpload(BoardEnd& board, Rig& rig, int lines)
{
    std::printf("\n== Merge Program: %d lines, %.1f s after each\n", lines,
                std::chrono::duration<double>(ProgramUpload::kLinePause).count());
    QByteArray listing;
    for (int i = 1; i <= lines; ++i)
        listing += QByteArray::number(i * 10) + " PRINT \"LINE " + QByteArray::number(i) + "\"\r\n";
    const QString path = rig.dir.filePath(QStringLiteral("PACING.LIS"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(listing) != listing.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    file.close();
    rig.dialog.answers = {path};

    board.take();
    const CpuUse thread0 = cpuUse(RUSAGE_THREAD);
    const double wall0 = monotonicSeconds();
    rig.runner.run(QStringLiteral("Merge Program"), [&] { rig.upload.mergeProgram(); });
    const double wall = monotonicSeconds() - wall0;
    const double cpu = cpuUse(RUSAGE_THREAD).seconds - thread0.seconds;
    letLastBytesArrive();

    // A line has arrived when its LF has.
    std::vector<double> ends;
    QByteArray all;
    for (const BoardEnd::Arrival& arrival : board.take()) {
        for (char c : arrival.bytes)
            if (c == '\n') ends.push_back(arrival.at);
        all += arrival.bytes;
    }
    std::vector<double> gaps;
    for (size_t i = 1; i < ends.size(); ++i)
        gaps.push_back(ends[i] - ends[i - 1]);
    std::printf("wall %.3f s, event loop CPU %.4f s (%.3f%%)\n", wall, cpu, cpu / wall * 100);
    std::printf("gaps (s):");
    for (size_t i = 0; i < gaps.size(); ++i)
        std::printf("%s%.6f", i % 6 == 0 ? "\n  " : " ", gaps[i]);
    std::printf("\n");
    if (gaps.empty()) {
        std::printf("no gaps: %zu lines arrived FAIL\n", ends.size());
        return false;
    }
    const double minGap = *std::min_element(gaps.begin(), gaps.end());
    const double maxGap = *std::max_element(gaps.begin(), gaps.end());
    const double mean = std::accumulate(gaps.begin(), gaps.end(), 0.0) / gaps.size();
    const bool exact = all == listing;
    std::printf("lines arrived %zu of %d, bytes as in the file: %s\n", ends.size(), lines, exact ? "yes" : "NO");
    std::printf("min %.6f s, mean %.6f s, max %.6f s\n", minGap, mean, maxGap);
    const bool passMin = minGap >= 1.0;
    const bool passMean = std::abs(mean - 1.0) <= 0.005;
    const bool passMax = maxGap <= 1.020;
    std::printf("goal every gap at least 1.000 s: min %.6f s %s\n", minGap, verdict(passMin));
    std::printf("goal mean within 5 ms of 1 s: %+.3f ms %s\n", (mean - 1.0) * 1e3, verdict(passMean));
    std::printf("goal none more than 20 ms over: max %+.3f ms %s\n", (maxGap - 1.0) * 1e3, verdict(passMax));
    return passMin && passMean && passMax && exact;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int lines = 12;
    bool reset = true, upload = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--lines") && i + 1 < argc)
            lines = std::max(2, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--reset-only"))
            upload = false;
        else if (!std::strcmp(argv[i], "--upload-only"))
            reset = false;
        else {
            std::fprintf(stderr, "usage: pause_bench [--lines N] [--reset-only | --upload-only]\n");
            return 2;
        }
    }

    BoardEnd board;
    Rig rig(board.slavePath());
    if (!rig.line.isOpen()) {
        std::fprintf(stderr, "the line did not open %s\n", qPrintable(board.slavePath()));
        return 2;
    }
    std::printf("line: port 1 = %s\n", qPrintable(board.slavePath()));
    bool pass = true;
    if (reset) pass = benchReset(board, rig) && pass;
    if (upload) pass = benchUpload(board, rig, lines) && pass;
    return pass ? 0 : 1;
}
