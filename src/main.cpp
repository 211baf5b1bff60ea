// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the command line, builds the real adapters and hands them to the main window, with the
// port map text the settings dialog shows as its tooltip. The window's serial line is the switch
// between the simulated board (port 0) and the real serial port (the others).
//
// Exit status: 0 after Exit or the close box (and for --help, --version), 2 for a command line
// that cannot be used (an unknown option, a stray argument, a profile name that is not allowed).
#include "app/form1.h"
#include "korvel_version.h"
#include "platform/helpviewerwindow.h"
#include "platform/iniprofile.h"
#include "platform/platform.h"
#include "platform/portmap.h"
#include "platform/qtclock.h"
#include "platform/qtfiledialog.h"
#include "platform/qtlauncher.h"
#include "platform/qtprompter.h"
#include "platform/qtserialdevices.h"
#include "platform/qtserialline.h"
#include "platform/translations.h"
#include "platform/xdgassociations.h"
#include "simulator/switchingline.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>

#include <cstdio>

namespace {

constexpr int kUsageError = 2;

int refuse(const QString& message)
{
    std::fprintf(stderr, "korvel: %s\nTry 'korvel --help' for more information.\n", qPrintable(message));
    return kUsageError;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QApplication::setApplicationVersion(QLatin1StringView(kKorvelVersion));
    QApplication::setDesktopFileName(QStringLiteral("org.korvel.korvel"));
    // Before any window or adapter is made: each takes its texts as it is built.
    const Translations translations(QLocale::system(), QCoreApplication::applicationDirPath());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Terminal and program loader for 80C32 boards running MCS BASIC-52."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption profileOption(
        QStringLiteral("profile"),
        QStringLiteral("Keep the settings in Korvel-<name>.ini beside Korvel.ini, one profile per board. The name is "
                       "made of letters, digits, '-' and '_'."),
        QStringLiteral("name"));
    parser.addOption(profileOption);
    if (!parser.parse(QApplication::arguments())) return refuse(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) parser.showHelp(0);
    // The help with Qt's own options: only process() shows it.
    if (parser.isSet(QStringLiteral("help-all"))) parser.process(QApplication::arguments());
    if (parser.isSet(QStringLiteral("version"))) parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));
    const QString profileName = parser.value(profileOption);
    if (parser.isSet(profileOption) && !IniProfile::isProfileName(profileName))
        return refuse(QStringLiteral("the profile name '%1' is not allowed: use up to %2 letters, digits, '-' and '_'")
                          .arg(profileName)
                          .arg(IniProfile::kMaxProfileName));

    IniProfile profile(IniProfile::profilePath(profileName));
    QtSerialDevices serialDevices;
    QtSerialLine serialPort(profile, serialDevices);
    SwitchingLine line(serialPort);
    QtClock clock;
    QtFileDialog fileDialog;
    QtLauncher launcher;
    XdgAssociations associations;
    HelpViewerWindow helpViewer;
    QtPrompter prompter;
    const Platform platform{line,         clock,    fileDialog,
                            profile,      launcher, associations,
                            helpViewer,   prompter, QCoreApplication::applicationDirPath(),
                            serialDevices};

    // The settings dialog's port tooltip: port numbers mean little on Linux without the devices.
    Form1 form1(platform, [&profile, &serialDevices] { return PortMap(profile, serialDevices).describePorts(); });
    form1.setProfileName(profileName);
    form1.load();
    form1.show();
    return QApplication::exec();
}
