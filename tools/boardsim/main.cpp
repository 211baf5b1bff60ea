// SPDX-License-Identifier: GPL-3.0-or-later
// korvel-boardsim: the simulated board on a pseudo-terminal, so that Korvel (or any terminal
// program) can talk to it through a real serial port path.
//
//   korvel-boardsim [--link PATH] [--line-ms N|MIN-MAX] [--first-line-ms N] [--lossy] [--baud N] [--seed N]
//
// The first line on stdout is the path of the terminal to open (--link adds a symbolic link to it). The tool
// runs until SIGTERM or SIGINT. A board that takes its time like a genuine one at 9600 baud:
//
//   korvel-boardsim --line-ms 10-100 --first-line-ms 450 --lossy --baud 9600

#include "simulator/simulatedboard.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
}

bool setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

int fail(const char* what)
{
    std::fprintf(stderr, "korvel-boardsim: %s: %s\n", what, std::strerror(errno));
    return 1;
}

// Sends the board's output to the master side. While nobody drains the terminal its buffer fills;
// the board is then held, so a running program waits instead of piling up output here.
class MasterWriter
{
public:
    MasterWriter(int master, SimulatedBoard& board)
        : m_master(master), m_board(board), m_notifier(master, QSocketNotifier::Write)
    {
        m_notifier.setEnabled(false);
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { flush(); });
    }

    void append(const QByteArray& chunk)
    {
        m_pending += chunk;
        flush();
    }

private:
    void flush()
    {
        while (!m_pending.isEmpty()) {
            const ssize_t written = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
            if (written > 0) {
                m_pending.remove(0, written);
                continue;
            }
            if (written < 0 && errno == EINTR) continue;
            if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                m_pending.clear(); // nothing sensible to do with bytes the terminal refuses for good
            break;
        }
        const bool full = !m_pending.isEmpty();
        m_notifier.setEnabled(full);
        m_board.setHeld(full);
    }

    int m_master;
    SimulatedBoard& m_board;
    QSocketNotifier m_notifier;
    QByteArray m_pending;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvel-boardsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Serves the simulated MCS BASIC-52 board on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption linkOption(QStringLiteral("link"), QStringLiteral("Symbolic link to the terminal."),
                                        QStringLiteral("path"));
    const QCommandLineOption lineOption(
        {QStringLiteral("line-ms"), QStringLiteral("busy-ms")},
        QStringLiteral("Milliseconds the board works on each line, or a range MIN-MAX to draw from."),
        QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption firstLineOption(QStringLiteral("first-line-ms"),
                                             QStringLiteral("Milliseconds for the first program line after \"new\"."),
                                             QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption lossyOption(
        QStringLiteral("lossy"), QStringLiteral("Characters arriving while the board is busy are lost but the first."));
    const QCommandLineOption baudOption(QStringLiteral("baud"),
                                        QStringLiteral("Output leaves no faster than this (0: at once)."),
                                        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed for the output chunk sizes and line times."),
                                        QStringLiteral("n"), QStringLiteral("1"));
    parser.addOptions({linkOption, lineOption, firstLineOption, lossyOption, baudOption, seedOption});
    parser.process(app);

    SimulatedBoard::Options options;
    const QStringList lineRange = parser.value(lineOption).split(QLatin1Char('-'));
    bool ok[5] = {false, true, false, false, false};
    options.busyMs = lineRange.first().toInt(&ok[0]);
    if (lineRange.size() == 2) options.busyMaxMs = lineRange.last().toInt(&ok[1]);
    options.firstLineMs = parser.value(firstLineOption).toInt(&ok[2]);
    options.baud = parser.value(baudOption).toInt(&ok[3]);
    options.seed = parser.value(seedOption).toUInt(&ok[4]);
    options.lossy = parser.isSet(lossyOption);
    if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) || lineRange.size() > 2 ||
        options.busyMs < 0 || options.busyMaxMs < 0 || options.firstLineMs < 0 || options.baud < 0) {
        std::fprintf(stderr, "korvel-boardsim: --line-ms takes N or MIN-MAX, and --first-line-ms, --baud and "
                             "--seed a whole number, none negative\n");
        return 2;
    }

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) return fail("posix_openpt");
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) return fail("grantpt/unlockpt");
    const char* slaveName = ::ptsname(master);
    if (!slaveName) return fail("ptsname");
    const QString slavePath = QString::fromLocal8Bit(slaveName);

    // Holding the slave open ourselves keeps the master from reading EIO whenever no client has it
    // open; raw mode keeps that idle side from echoing the board's output back to us.
    const int slave = ::open(slaveName, O_RDWR | O_NOCTTY);
    if (slave < 0) return fail("open slave");
    termios raw{};
    if (::tcgetattr(slave, &raw) != 0) return fail("tcgetattr");
    ::cfmakeraw(&raw);
    if (::tcsetattr(slave, TCSANOW, &raw) != 0) return fail("tcsetattr");
    if (!setNonBlocking(master)) return fail("fcntl");

    const QString link = parser.value(linkOption);
    if (!link.isEmpty()) {
        if (QFileInfo(link).isSymLink()) QFile::remove(link);
        if (!QFile::link(slavePath, link)) {
            std::fprintf(stderr, "korvel-boardsim: cannot create link %s\n", qPrintable(link));
            return 1;
        }
    }

    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return fail("pipe");
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    SimulatedBoard board(options);
    MasterWriter writer(master, board);
    QObject::connect(&board, &SimulatedBoard::output, [&writer](const QByteArray& chunk) { writer.append(chunk); });

    QSocketNotifier reader(master, QSocketNotifier::Read);
    QObject::connect(&reader, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got > 0) {
                board.write(QByteArrayView(buffer, got));
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            // Anything but "no more for now" would come back at once; stop listening rather than spin.
            if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) reader.setEnabled(false);
            break;
        }
    });

    std::printf("%s\n", qPrintable(slavePath));
    std::fflush(stdout);

    // The sign-on waits in the terminal until the first client reads it.
    board.open();
    const int status = app.exec();

    board.close();
    if (!link.isEmpty()) QFile::remove(link);
    ::close(slave);
    ::close(master);
    return status;
}
