// SPDX-License-Identifier: GPL-3.0-or-later
// The reconnect of a lost port, with the real serial line and file-system watch on a pseudo-terminal
// behind a link that this bench removes and makes again, as udev does for an adapter pulled and
// plugged in again:
//  (a) waiting: processor time and wakeups of the process over S seconds with the port away
//      (goal: at most one wakeup a second; with the watch, none at all);
//  (b) open and idle: the same over S seconds with the port open (goal: no watch wakeup);
//  (c) return: from the link made to the line open again, over R returns (goal: under 100 ms);
//  (d) asking the system for its serial devices, which the line does once after each open to learn
//      the device's serial number (not part of (c): it runs from the event loop afterwards).
//
// The context switches of (a) and (b) include the one of the bench's own timer that ends the wait.
//   build/bench/reconnect_bench [--seconds S] [--runs R] [--poll]
//
// --poll turns the file-system watch off, as where the system has none: a look once a second.
// Prints every figure and PASS or FAIL per goal; exits 1 when a goal is missed.
#include "platform/iniprofile.h"
#include "platform/qtserialdevices.h"
#include "platform/qtserialline.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

double monotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

struct Use
{
    double cpu = 0;           // user + system seconds of the whole process
    long switches = 0;        // voluntary + involuntary context switches of the whole process
    long long runNs = 0;      // /proc/self/schedstat: time on a processor
    long long timeslices = 0; // /proc/self/schedstat: times the main thread was put on a processor
};

Use use()
{
    Use u;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    u.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    u.switches = usage.ru_nvcsw + usage.ru_nivcsw;
    if (FILE* f = std::fopen("/proc/self/schedstat", "r")) {
        long long wait = 0;
        if (std::fscanf(f, "%lld %lld %lld", &u.runNs, &wait, &u.timeslices) != 3) u.runNs = u.timeslices = 0;
        std::fclose(f);
    }
    return u;
}

// The far end: a pseudo-terminal in raw mode and the link the settings file names.
struct FarEnd
{
    int master = -1;
    int slave = -1;
    bool plugIn(const QString& link)
    {
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        return ::symlink(::ptsname(master), QFile::encodeName(link).constData()) == 0;
    }
    void pull(const QString& link)
    {
        ::unlink(QFile::encodeName(link).constData());
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
        master = slave = -1;
    }
};

void runFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until the signal comes (true) or the time is up.
template<typename Signal> bool waitFor(QtSerialLine& line, Signal signal, double seconds)
{
    QEventLoop loop;
    const auto connection = QObject::connect(&line, signal, &loop, &QEventLoop::quit);
    QTimer::singleShot(int(seconds * 1000), &loop, [&loop] { loop.exit(1); });
    const bool came = loop.exec() == 0;
    QObject::disconnect(connection);
    return came;
}

void report(const char* what, const Use& before, const Use& after, double seconds, quint64 watchWakeups)
{
    std::printf("%-22s %.1f s: cpu %.3f ms (%.4f%% of a core), run %.3f ms, context switches %ld (%.2f/s), "
                "timeslices %lld, watch wakeups %llu\n",
                what, seconds, (after.cpu - before.cpu) * 1e3, (after.cpu - before.cpu) / seconds * 100,
                (after.runNs - before.runNs) / 1e6, after.switches - before.switches,
                (after.switches - before.switches) / seconds, after.timeslices - before.timeslices,
                static_cast<unsigned long long>(watchWakeups));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    double seconds = 10;
    int runs = 20;
    bool poll = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--poll"))
            poll = true;
    }

    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("board"));
    IniProfile profile(dir.filePath(QStringLiteral("Korvel.ini")));
    profile.writeString(QStringLiteral("Ports"), QStringLiteral("1"), link);
    QtSerialDevices devices;
    QtSerialLine line(profile, devices);
    line.watch().setFileSystemWatchAllowed(!poll);
    line.setBaudRate(115200);
    line.setDataBits(8);
    line.setStopBits(1);
    line.setPortNumber(1);

    FarEnd far;
    if (!far.plugIn(link)) return std::perror("openpty"), 2;
    line.open();
    if (!line.isOpen()) return std::fprintf(stderr, "the line did not open\n"), 2;
    std::printf("watch: %s\n", poll ? "off (a look once a second)" : "file system");
    bool ok = true;

    // (b) open and idle: nothing but the far end's silence.
    runFor(0.5);
    quint64 wakeups = line.watchWakeups();
    Use before = use();
    runFor(seconds);
    Use after = use();
    report("open, idle", before, after, seconds, line.watchWakeups() - wakeups);
    ok &= line.watchWakeups() == wakeups;

    // (a) the port away: pulled, its loss noticed, then waiting.
    far.pull(link);
    if (!waitFor(line, &SerialLine::problem, 5)) return std::fprintf(stderr, "the loss was not noticed\n"), 2;
    runFor(0.5);
    wakeups = line.watchWakeups();
    before = use();
    runFor(seconds);
    after = use();
    const quint64 awayWakeups = line.watchWakeups() - wakeups;
    report("away, waiting", before, after, seconds, awayWakeups);
    std::printf("  watched folders: %s\n", qPrintable(line.watch().folders().join(QStringLiteral(", "))));
    const bool fewWakeups = poll ? awayWakeups <= quint64(seconds) + 1 : awayWakeups == 0;
    std::printf("%s: wakeups while away %s\n", fewWakeups ? "PASS" : "FAIL", poll ? "at most 1/s" : "none");
    ok &= fewWakeups;

    // (c) returns: the link made again, timed until the line is open.
    std::vector<double> latencies;
    for (int run = 0; run < runs; ++run) {
        const double plugged = monotonicSeconds();
        double back = 0;
        const auto connection = QObject::connect(&line, &SerialLine::opened, [&back] { back = monotonicSeconds(); });
        if (!far.plugIn(link)) return std::perror("openpty"), 2;
        const bool came = waitFor(line, &SerialLine::opened, 5);
        QObject::disconnect(connection);
        if (!came || !line.isOpen()) return std::fprintf(stderr, "run %d: the line did not come back\n", run), 2;
        latencies.push_back((back - plugged) * 1e3);
        far.pull(link);
        if (!waitFor(line, &SerialLine::problem, 5)) return std::fprintf(stderr, "the loss was not noticed\n"), 2;
        // Let the deferred close run, as the next plug-in would find it in a real session.
        runFor(0.05);
    }
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        std::printf("return to open over %d runs: min %.2f ms, median %.2f ms, max %.2f ms\n", runs, latencies.front(),
                    latencies[latencies.size() / 2], latencies.back());
        const bool quick = latencies.back() < (poll ? 1100 : 100);
        std::printf("%s: every return under %s\n", quick ? "PASS" : "FAIL", poll ? "1.1 s" : "100 ms");
        ok &= quick;
    }

    std::vector<double> asks;
    qsizetype found = 0;
    for (int run = 0; run < std::max(runs, 1); ++run) {
        const double start = monotonicSeconds();
        found = devices.present().size();
        asks.push_back((monotonicSeconds() - start) * 1e3);
    }
    std::sort(asks.begin(), asks.end());
    std::printf("serial devices asked for (%lld found): median %.2f ms, max %.2f ms\n", static_cast<long long>(found),
                asks[asks.size() / 2], asks.back());
    return ok ? 0 : 1;
}
