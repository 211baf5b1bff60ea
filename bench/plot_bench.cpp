// SPDX-License-Identifier: GPL-3.0-or-later
// The Plot window under a steady stream: the main window with the real serial line on a
// pseudo-terminal whose far end, a thread of this bench, prints RATE lines a second of NUMBERS
// numbers each as the board prints them (" 12.5 -3.25 ..."). Measured over the run after a
// second of warm-up: CPU of the event-loop thread (the whole program: serial line, terminal,
// plot), redraws a second, lines plotted, and the peak memory of the process (VmHWM).
//
//   QT_QPA_PLATFORM=offscreen build/bench/plot_bench [--closed] [--seconds N] [--rate LINES] [--numbers K]
//                                                    [--in-view ROWS] [--prefill ROWS]
//
// --closed leaves the Plot window closed, for the same stream without it; --in-view sets the
// samples in view (500 unless given); --prefill hands the window that many of the stream's lines
// at once before the run, so a short run shows the memory of a full window (100,000 a series). Goal with the window
// open: under a quarter of a core, at most 30 redraws a second, every line plotted. Exits 1 when
// a goal is missed.
#include "fakes.h"

#include "app/form1.h"
#include "platform/iniprofile.h"
#include "platform/qtclock.h"
#include "platform/qtserialline.h"
#include "plot/plotwindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

double monotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A figure from /proc/self/status in kB ("VmHWM", "VmRSS").
long statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(qstrlen(key) + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}

// A number as the board prints it: a blank or a minus sign, the digits, a blank.
QByteArray boardNumber(double value)
{
    QByteArray digits = QByteArray::number(std::abs(value), 'g', 8);
    if (digits.startsWith("0.")) digits.remove(0, 1);
    return (value < 0 ? "-" : " ") + digits + ' ';
}

// The far end: writes `rate` lines a second, in time, from its own thread, until told to stop.
class BoardEnd
{
public:
    BoardEnd(int rate, int numbers)
    {
        if (openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
            std::perror("openpty");
            std::exit(2);
        }
        termios raw{};
        tcgetattr(m_slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(m_slave, TCSANOW, &raw);
        for (int i = 0; i < 1000; ++i) {
            QByteArray line;
            for (int n = 0; n < numbers; ++n)
                line += boardNumber(std::round(std::sin(i / 50.0 + n) * 1000 * (n + 1)) / 100);
            m_lines.append(line + "\r\n");
        }
        m_writer = std::thread([this, rate] { write(rate); });
    }

    ~BoardEnd()
    {
        m_stop = true;
        m_writer.join();
        ::close(m_master);
        ::close(m_slave);
    }

    QString slavePath() const { return QString::fromLocal8Bit(ttyname(m_slave)); }
    QByteArray line(int i) const { return m_lines[i % m_lines.size()]; }
    long written() const { return m_written; }
    double writerCpu() const { return m_writerCpu; }

private:
    void write(int rate)
    {
        // Non-blocking, so the thread still sees the stop when nobody reads the terminal any more;
        // what the terminal does not take now waits for the next round.
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
        const double start = monotonicSeconds();
        long queued = 0;
        QByteArray pending;
        while (!m_stop) {
            const long due = long((monotonicSeconds() - start) * rate);
            for (; queued < due; ++queued)
                pending += m_lines[queued % m_lines.size()];
            const ssize_t wrote =
                pending.isEmpty() ? 0 : ::write(m_master, pending.constData(), size_t(pending.size()));
            if (wrote > 0) {
                m_written += pending.first(wrote).count('\n');
                pending.remove(0, wrote);
            }
            const timespec pause{0, 1'000'000};
            nanosleep(&pause, nullptr);
        }
        m_writerCpu = cpuSeconds(RUSAGE_THREAD);
    }

    int m_master = -1;
    int m_slave = -1;
    QList<QByteArray> m_lines;
    std::thread m_writer;
    std::atomic<bool> m_stop = false;
    std::atomic<long> m_written = 0;
    std::atomic<double> m_writerCpu = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    bool open = true;
    double seconds = 10;
    int rate = 1000, numbers = 8, inView = PlotWindow::kDefaultInView, prefill = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--closed"))
            open = false;
        else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::max(1.0, std::atof(argv[++i]));
        else if (!std::strcmp(argv[i], "--rate") && i + 1 < argc)
            rate = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--numbers") && i + 1 < argc)
            numbers = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--in-view") && i + 1 < argc)
            inView = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--prefill") && i + 1 < argc)
            prefill = std::max(0, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr,
                         "usage: plot_bench [--closed] [--seconds N] [--rate LINES] [--numbers K] [--in-view ROWS] "
                         "[--prefill ROWS]\n");
            return 2;
        }
    }

    QTemporaryDir dir;
    BoardEnd board(rate, numbers);
    IniProfile profile(dir.filePath(QStringLiteral("Korvel.ini")));
    profile.writeString(QStringLiteral("Ports"), QStringLiteral("1"), board.slavePath());
    profile.writeString(QStringLiteral("ComPort"), QStringLiteral("Port"), QStringLiteral(" 1"));
    profile.writeString(QStringLiteral("ComPort"), QStringLiteral("Baud"), QStringLiteral(" 115200"));
    QtSerialLine line(profile, [] { return QStringList(); });
    QtClock clock;
    FakePlatform fakes;
    Form1 form(Platform{line, clock, fakes.fileDialog, profile, fakes.launcher, fakes.associations, fakes.helpViewer,
                        fakes.prompter, dir.path()});
    form.load();
    form.show();
    if (!line.isOpen()) {
        std::fprintf(stderr, "the line did not open %s\n", qPrintable(board.slavePath()));
        return 2;
    }
    PlotWindow* plot = nullptr;
    if (open) {
        form.findChild<QAction*>(QStringLiteral("plot"))->trigger();
        plot = form.findChild<PlotWindow*>(QStringLiteral("Plot"));
        plot->findChild<QSpinBox*>(QStringLiteral("inView"))->setValue(inView);
        // In chunks of a thousand lines, about what the line hands over at a time under a flood.
        for (int i = 0; i < prefill; i += 1000) {
            QString lines;
            for (int n = i; n < std::min(prefill, i + 1000); ++n)
                lines += QString::fromLatin1(board.line(n));
            plot->takeText(lines);
        }
    }

    // A second to settle (the window's first paints, the stream under way), then the run.
    struct Mark
    {
        double wall = 0, cpu = 0, process = 0;
        int redraws = 0;
        qint64 rows = 0;
        long written = 0;
    };
    const auto mark = [&] {
        return Mark{monotonicSeconds(),         cpuSeconds(RUSAGE_THREAD),          cpuSeconds(RUSAGE_SELF),
                    plot ? plot->redraws() : 0, plot ? plot->model().lastRow() : 0, board.written()};
    };
    Mark start, end;
    QTimer::singleShot(1000, &app, [&] { start = mark(); });
    QTimer::singleShot(int(1000 + seconds * 1000), &app, [&] {
        end = mark();
        QCoreApplication::quit();
    });
    QApplication::exec();

    const double wall = end.wall - start.wall;
    const double cpu = end.cpu - start.cpu;
    const double redraws = (end.redraws - start.redraws) / wall;
    std::printf("plot window %s, %d lines/s of %d numbers, %.1f s measured\n",
                open ? qPrintable(QStringLiteral("open (%1 samples in view)").arg(inView)) : "closed", rate, numbers,
                wall);
    std::printf("lines written %ld; event loop CPU %.3f s = %.1f%% of a core; whole process %.1f%% "
                "(the writer thread included)\n",
                end.written - start.written, cpu, cpu / wall * 100, (end.process - start.process) / wall * 100);
    std::printf("peak memory (VmHWM) %.1f MB, resident now %.1f MB\n", statusKb("VmHWM") / 1024.0,
                statusKb("VmRSS") / 1024.0);
    bool pass = true;
    if (plot) {
        // Every line written between the marks is plotted, give or take what was in the terminal at each.
        const qint64 plotted = end.rows - start.rows;
        const qint64 missing = (end.written - start.written) - plotted;
        std::printf("redraws %.1f/s; lines plotted %lld (%+lld against those written), %lld samples kept\n", redraws,
                    static_cast<long long>(plotted), static_cast<long long>(missing),
                    static_cast<long long>(plot->model().sampleCount()));
        const bool cpuOk = cpu / wall < 0.25, redrawOk = redraws <= PlotWindow::kMaxRedrawsPerSecond + 0.5,
                   linesOk = std::abs(missing) <= rate / 10;
        std::printf("goal under 25%% of a core: %s\n", cpuOk ? "PASS" : "FAIL");
        std::printf("goal at most %d redraws a second: %s\n", PlotWindow::kMaxRedrawsPerSecond,
                    redrawOk ? "PASS" : "FAIL");
        std::printf("goal every line plotted (within a tenth of a second): %s\n", linesOk ? "PASS" : "FAIL");
        pass = cpuOk && redrawOk && linesOk;
    }
    return pass ? 0 : 1;
}
