// SPDX-License-Identifier: GPL-3.0-or-later
// The main window under a real window manager: an X server and openbox of the test's own. The
// window is moved the way a user moves it, through the window manager, and must come back to the
// same place and size after every dialog. Without Xvfb, openbox or xdotool the test skips.
#include "fakes.h"
#include "testhelpers.h"

#include "app/form1.h"
#include "platform/qtfiledialog.h"
#include "platform/qtprompter.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kSettleMs = 5000; // how long the window manager may take to place a window
constexpr int kStartMs = 10000; // how long the X server and the window manager may take to start

// Xvfb on a display number it picks itself, openbox on it; both end with this object.
class Desktop
{
public:
    Desktop() = default;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    ~Desktop()
    {
        for (pid_t pid : {m_wm, m_server}) {
            if (pid <= 0) continue;
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }

    // Whether the programs are there at all: without them the test skips.
    static QString missing()
    {
        for (const char* program : {"Xvfb", "openbox", "xdotool"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
                return QStringLiteral("%1 is not installed").arg(QString::fromLatin1(program));
        return {};
    }

    // Empty once the window manager runs; otherwise what failed.
    QString start()
    {
        // -displayfd: the server takes the first free display and writes its number once it listens.
        int fds[2];
        if (::pipe(fds) != 0) return QStringLiteral("no pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        const QByteArray server = QStandardPaths::findExecutable(QStringLiteral("Xvfb")).toLocal8Bit();
        const QByteArray fd = QByteArray::number(fds[1]);
        const char* serverArgs[] = {server.constData(), "-displayfd", fd.constData(), "-screen", "0",
                                    "1280x1024x24",     "-nolisten",  "tcp",          nullptr};
        const int spawned =
            posix_spawn(&m_server, server.constData(), &actions, nullptr, const_cast<char**>(serverArgs), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (spawned != 0) {
            ::close(fds[0]);
            m_server = 0;
            return QStringLiteral("Xvfb did not start");
        }
        QByteArray number;
        pollfd readable{fds[0], POLLIN, 0};
        char c = 0;
        while (::poll(&readable, 1, kStartMs) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number.append(c);
        ::close(fds[0]);
        if (number.isEmpty()) return QStringLiteral("Xvfb gave no display number");
        qputenv("DISPLAY", ':' + number);

        // openbox runs its start-up command once it manages the screen; a window shown before that
        // would be taken over halfway through its mapping.
        if (!m_dir.isValid()) return QStringLiteral("no temporary folder");
        const QString ready = m_dir.filePath(QStringLiteral("ready"));
        const QByteArray wm = QStandardPaths::findExecutable(QStringLiteral("openbox")).toLocal8Bit();
        const QByteArray startup = "touch " + QFile::encodeName(ready);
        const char* wmArgs[] = {wm.constData(), "--sm-disable", "--startup", startup.constData(), nullptr};
        if (posix_spawn(&m_wm, wm.constData(), nullptr, nullptr, const_cast<char**>(wmArgs), environ) != 0) {
            m_wm = 0;
            return QStringLiteral("openbox did not start");
        }
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(ready)) {
            if (waited.elapsed() > kStartMs) return QStringLiteral("openbox did not come up");
            ::usleep(20'000);
        }
        return {};
    }

private:
    QTemporaryDir m_dir{QStringLiteral("/tmp/korvel-desktop-XXXXXX")}; // no blank in the start-up command
    pid_t m_server = 0;
    pid_t m_wm = 0;
};

QString g_missing; // set by main(): a program the test needs is not installed
QString g_failure; // set by main(): the desktop did not come up

// The first visible top-level window other than `except`.
QWidget* otherWindow(const QWidget* except)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != except && w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed() &&
            !w->inherits("QMenu"))
            return w;
    return nullptr;
}

// Moves a window the way the user does: the request goes to the window manager, which moves the frame.
bool moveThroughWindowManager(QWidget& window, QPoint to)
{
    return QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowmove"), QString::number(window.winId()),
                                                         QString::number(to.x()), QString::number(to.y())}) == 0;
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void windowStaysAfterDialog_data();
    void windowStaysAfterDialog();
};

void TestDesktop::initTestCase()
{
    if (!g_missing.isEmpty()) QSKIP(qPrintable(g_missing));
    QVERIFY2(g_failure.isEmpty(), qPrintable(g_failure));
}

void TestDesktop::windowStaysAfterDialog_data()
{
    QTest::addColumn<QString>("entry");  // the menu entry; "report" shows a report window
    QTest::addColumn<QString>("button"); // what closes it; empty: the dialog's reject()
    QTest::addColumn<QPoint>("place");   // where the user puts the main window first

    QTest::newRow("ComPort") << "comSet"
                             << "cmdCancel" << QPoint(161, 140);
    QTest::newRow("MTOP") << "MTop"
                          << "Command2" << QPoint(241, 200);
    QTest::newRow("Upload") << "upload"
                            << "cmdCancel" << QPoint(201, 170);
    QTest::newRow("Ports") << "ports"
                           << "cmdClose" << QPoint(121, 90);
    QTest::newRow("About") << "about"
                           << "cmdOK" << QPoint(201, 170);
    QTest::newRow("Load Program") << "load"
                                  << "" << QPoint(301, 230);
    QTest::newRow("Save Program") << "save"
                                  << "" << QPoint(81, 60);
    QTest::newRow("report") << "report"
                            << "cmdClose" << QPoint(261, 110);
}

void TestDesktop::windowStaysAfterDialog()
{
    QFETCH(QString, entry);
    QFETCH(QString, button);
    QFETCH(QPoint, place);

    FakePlatform fakes;
    QtFileDialog fileDialog;
    QtPrompter prompter;
    Form1 form(Platform{fakes.line, fakes.clock, fileDialog, fakes.profile, fakes.launcher, fakes.associations,
                        fakes.helpViewer, prompter, fakes.applicationDir, fakes.serialDevices});
    form.load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_VERIFY_WITH_TIMEOUT(form.windowHandle()->frameMargins().top() > 0, kSettleMs);
    const QRect before = form.geometry();
    QVERIFY(moveThroughWindowManager(form, place));
    QTRY_VERIFY_WITH_TIMEOUT(form.geometry() != before, kSettleMs);
    const QRect placed = form.geometry();
    const QRect framed = form.frameGeometry();

    // The dialog is closed as soon as it is on screen; a file dialog runs inside the menu entry.
    bool closed = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
        QWidget* dialog = otherWindow(&form);
        if (!dialog) return;
        closer.stop();
        auto* push = button.isEmpty() ? nullptr : dialog->findChild<QPushButton*>(button);
        if (push)
            push->click();
        else if (auto* asDialog = qobject_cast<QDialog*>(dialog))
            asDialog->reject();
        else
            dialog->close();
        closed = true;
    });
    closer.start(20);
    if (entry == QLatin1String("report"))
        prompter.showReport(QStringLiteral("Lines refused"), QStringLiteral("line 20: ERROR: BAD SYNTAX"));
    else
        triggerAction(form, entry);
    QTRY_VERIFY_WITH_TIMEOUT(closed, kSettleMs);

    QTRY_VERIFY_WITH_TIMEOUT(form.isVisible() && form.windowHandle()->isExposed(), kSettleMs);
    QTRY_COMPARE_WITH_TIMEOUT(form.geometry(), placed, kSettleMs);
    QCOMPARE(form.frameGeometry(), framed);
    QVERIFY(!otherWindow(&form));
}

int main(int argc, char** argv)
{
    Desktop desktop;
    g_missing = Desktop::missing();
    if (g_missing.isEmpty()) g_failure = desktop.start();
    // Without a desktop the test case only says why, and needs no display for that.
    qputenv("QT_QPA_PLATFORM", g_missing.isEmpty() && g_failure.isEmpty() ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    TestDesktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
