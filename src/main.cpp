// Builds the real adapters and hands them to the main window, with the port map text the
// settings dialog shows as its tooltip.
#include "app/form1.h"
#include "korvel_version.h"
#include "platform/helpviewerwindow.h"
#include "platform/iniprofile.h"
#include "platform/platform.h"
#include "platform/qtclock.h"
#include "platform/qtfiledialog.h"
#include "platform/qtlauncher.h"
#include "platform/qtprompter.h"
#include "platform/qtserialline.h"
#include "platform/xdgassociations.h"

#include <QApplication>

namespace {

// The tooltip of the settings dialog's port box: port numbers mean little on Linux.
QString describePorts(const QtSerialLine& line)
{
    QStringList rows{QStringLiteral("0: the simulated board")};
    for (int port = 1; port <= 9; ++port) {
        const QString device = line.deviceForPort(port);
        if (!device.isEmpty()) rows.append(QStringLiteral("%1: %2").arg(port).arg(device));
    }
    return rows.join(QLatin1Char('\n'));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QApplication::setApplicationVersion(QLatin1StringView(kKorvelVersion));
    QApplication::setDesktopFileName(QStringLiteral("org.korvel.korvel"));

    IniProfile profile(IniProfile::defaultPath());
    QtSerialLine line(profile);
    QtClock clock;
    QtFileDialog fileDialog;
    QtLauncher launcher;
    XdgAssociations associations;
    HelpViewerWindow helpViewer;
    QtPrompter prompter;
    const Platform platform{line,       clock,    fileDialog,
                            profile,    launcher, associations,
                            helpViewer, prompter, QCoreApplication::applicationDirPath()};

    Form1 form1(platform, [&line] { return describePorts(line); });
    form1.load();
    form1.show();
    return QApplication::exec();
}
