// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the real adapters and hands them to the main window, with the port map text the
// settings dialog shows as its tooltip. The window's serial line is the switch between the
// simulated board (port 0) and the real serial port (the others).
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
#include <QLocale>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QApplication::setApplicationVersion(QLatin1StringView(kKorvelVersion));
    QApplication::setDesktopFileName(QStringLiteral("org.korvel.korvel"));
    // Before any window or adapter is made: each takes its texts as it is built.
    const Translations translations(QLocale::system(), QCoreApplication::applicationDirPath());

    IniProfile profile(IniProfile::defaultPath());
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
    form1.load();
    form1.show();
    return QApplication::exec();
}
