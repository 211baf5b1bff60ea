// SPDX-License-Identifier: GPL-3.0-or-later
// korvel-cli: builds the real adapters that need no display (the settings file, read only, the
// serial line with the simulated board as port 0, the clock) and runs the commands given. Ctrl+C
// reaches the session through a pipe read by the event loop, so it never interrupts a command
// half-way through a step; a second one ends the program at once.
#include "cli/arguments.h"
#include "cli/cliadapters.h"
#include "cli/clisession.h"
#include "korvel_version.h"
#include "platform/iniprofile.h"
#include "platform/qtclock.h"
#include "platform/qtserialdevices.h"
#include "platform/qtserialline.h"
#include "simulator/switchingline.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_interruptPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvel-cli"));
    QCoreApplication::setApplicationVersion(QLatin1StringView(kKorvelVersion));

    const auto parsed = cliargs::parse(QCoreApplication::arguments());
    if (const auto* exit = std::get_if<cliargs::Exit>(&parsed)) {
        std::fputs(exit->text.toLocal8Bit().constData(), exit->status == 0 ? stdout : stderr);
        if (exit->status != 0) std::fputc('\n', stderr);
        return exit->status;
    }
    const auto& options = std::get<cliargs::Options>(parsed);

    const QString path = IniProfile::profilePath(options.profile);
    if (!options.profile.isEmpty()) {
        // A profile is a settings file of its own beside Korvel.ini; one that is not there is a
        // misspelt name rather than a request for the defaults.
        if (!QFileInfo::exists(path)) {
            std::fprintf(stderr, "korvel-cli: no profile %s: %s does not exist\n", qPrintable(options.profile),
                         qPrintable(path));
            return CliSession::Usage;
        }
    }
    IniProfile file(path);
    ReadOnlyProfile profile(file);
    QtSerialDevices devices;
    OpeningDevices lineDevices(devices);
    QtSerialLine serialPort(profile, lineDevices);
    SwitchingLine line(serialPort);
    QObject::connect(&line, &SerialLine::opened, &line, [&lineDevices] { lineDevices.lineOpened(); });
    QtClock clock;
    CliSession session(options, line, profile, devices, clock, {stdout, stderr, ::isatty(STDERR_FILENO) == 1});

    if (::pipe2(g_interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("korvel-cli: pipe");
        return CliSession::Failed;
    }
    struct sigaction action
    {
    };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    QSocketNotifier interrupts(g_interruptPipe[0], QSocketNotifier::Read);
    QObject::connect(&interrupts, &QSocketNotifier::activated, &session, [&session] {
        char drained[16];
        while (::read(g_interruptPipe[0], drained, sizeof drained) > 0) {
        }
        if (session.interrupted()) ::_exit(CliSession::Interrupted);
        session.interrupt();
    });
    return session.run();
}
