// SPDX-License-Identifier: GPL-3.0-or-later
// Keys and menu clicks made while a command pauses: they arrive as the window system delivers a
// user's input, queued, while the command's pauses run the real clock's event loop, and must be
// handled after the command, in the order made, none lost and none sent during it. And the input
// the board floods the session log with, to a disk that fills.
#include "fakes.h"
#include "testhelpers.h"

#include "app/form1.h"
#include "platform/qtclock.h"
#include "platform/qtserialline.h"
#include "simulator/switchingline.h"
#include "terminal/terminalview.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

#include <csignal>
#include <sys/resource.h>

namespace {

using Async = QWindowSystemInterface::AsynchronousDelivery;

// The running program's clock with every pause cut to 2 ms of its event loop, counted as its full
// length; the hook runs at the start of each pause, as the user's hands would.
class ShortRealClock : public Clock
{
public:
    std::chrono::nanoseconds now() const override { return std::chrono::nanoseconds(m_now); }
    void idleFor(std::chrono::nanoseconds length) override
    {
        const qint64 ns = length.count();
        ++idleCalls;
        if (onIdle) onIdle(idleCalls);
        m_real.idleFor(std::chrono::nanoseconds(std::min<qint64>(ns, 2'000'000)));
        m_now += ns;
    }

    int idleCalls = 0;
    std::function<void(int call)> onIdle;

private:
    QtClock m_real;
    qint64 m_now = 0;
};

class Typist
{
public:
    explicit Typist(Form1& form) : m_form(form), m_window(form.windowHandle()) {}

    void key(Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWindowSystemInterface::handleKeyEvent<Async>(m_window, QEvent::KeyPress, key, modifiers, text);
        QWindowSystemInterface::handleKeyEvent<Async>(m_window, QEvent::KeyRelease, key, modifiers, text);
    }
    void type(const QString& text)
    {
        for (const QChar c : text)
            key(Qt::Key(c.toUpper().unicode()), QString(c));
    }
    // A click on an entry that sits on the menu bar itself.
    void click(const QString& actionName)
    {
        QMenuBar* bar = m_form.menuBar();
        QAction* action = bar->findChild<QAction*>(actionName);
        if (!action) action = m_form.findChild<QAction*>(actionName);
        QVERIFY2(action, qPrintable(actionName));
        const QPoint local = bar->mapTo(&m_form, bar->actionGeometry(action).center());
        const QPoint global = m_form.mapToGlobal(local);
        QWindowSystemInterface::handleMouseEvent<Async>(m_window, local, global, Qt::LeftButton, Qt::LeftButton,
                                                        QEvent::MouseButtonPress);
        QWindowSystemInterface::handleMouseEvent<Async>(m_window, local, global, Qt::NoButton, Qt::LeftButton,
                                                        QEvent::MouseButtonRelease);
    }

private:
    Form1& m_form;
    QWindow* m_window;
};

// Lowers the file size limit for a while: writes past it fail with EFBIG (the signal ignored), as
// on a full disk, for root as well.
struct FileSizeLimit
{
    explicit FileSizeLimit(rlim_t bytes) : oldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit lowered{bytes, old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
    void (*oldHandler)(int);
    rlimit old{};
};

} // namespace

class TestFaultsInput : public QObject
{
    Q_OBJECT

private slots:
    void inputDuringCommandComesAfterIt_data();
    void inputDuringCommandComesAfterIt();
    void logKeepsEveryByteOfAFlood();
    void sessionLog_data();
    void sessionLog();
};

void TestFaultsInput::inputDuringCommandComesAfterIt_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("pauses");
    QTest::newRow("reset") << QStringLiteral("reset") << 52;
    QTest::newRow("run") << QStringLiteral("run") << 1;
}

void TestFaultsInput::inputDuringCommandComesAfterIt()
{
    QFETCH(QString, command);
    QFETCH(int, pauses);
    FakePlatform fakes;
    ShortRealClock clock;
    Form1 form(Platform{fakes.line, clock, fakes.fileDialog, fakes.profile, fakes.launcher, fakes.associations,
                        fakes.helpViewer, fakes.prompter, fakes.applicationDir});
    form.load();
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.terminalView());
    Typist typist(form);

    // A log of everything that reaches the board or the help viewer, in order.
    QStringList log;
    fakes.line.onSend = [&](const QString& text) {
        while (log.count(QStringLiteral("help")) < fakes.helpViewer.calls.size())
            log.append(QStringLiteral("help"));
        log.append(text);
    };

    // The user types, clicks Memory, presses Return, asks for help with F1 and clicks Clear Screen,
    // spread over the command's first pauses (all in the one pause of Run).
    QStringList duringCommand;
    const int spread = pauses > 1 ? 1 : 0;
    clock.onIdle = [&](int call) {
        const auto at = [&](int step) { return call == 1 + spread * step; };
        if (at(0)) typist.type(QStringLiteral("p1"));
        if (at(1)) typist.click(QStringLiteral("mem"));
        if (at(2)) typist.key(Qt::Key_Return, QStringLiteral("\r"));
        if (at(3)) typist.key(Qt::Key_F1, QString());
        if (at(4)) typist.type(QStringLiteral("x"));
        if (call == pauses) duringCommand = log;
    };
    QVERIFY(QMetaObject::invokeMethod(&form, command == QLatin1String("reset") ? "resetBoard" : "runProgram"));
    QCOMPARE(clock.idleCalls, pauses);
    const QStringList commandSends = fakes.line.sends;

    // Nothing of the input was handled while the command ran.
    QVERIFY(!duringCommand.contains(QStringLiteral("p")));
    QVERIFY(!duringCommand.contains(QStringLiteral("?free\r\n")));
    QVERIFY(fakes.helpViewer.calls.isEmpty());
    if (command == QLatin1String("reset")) {
        QCOMPARE(commandSends.size(), 53);
        QCOMPARE(commandSends.last(), QStringLiteral("new\r\n"));
    } else {
        QCOMPARE(commandSends, QStringList{QStringLiteral("RUN\r\n")});
    }

    // Afterwards it is, in the order it was made.
    const QStringList expected = {QStringLiteral("p"),  QStringLiteral("1"),    QStringLiteral("?free\r\n"),
                                  QStringLiteral("\r"), QStringLiteral("help"), QStringLiteral("x")};
    QTRY_COMPARE_WITH_TIMEOUT(fakes.line.sends.size(), commandSends.size() + 5, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(fakes.helpViewer.calls.size(), 1, 5000);
    QCoreApplication::processEvents();
    fakes.line.onSend(QStringLiteral("end"));
    QStringList after = log.mid(commandSends.size());
    after.removeLast();
    QCOMPARE(after, expected);
    QCOMPARE(fakes.line.sends.size(), commandSends.size() + 5);
}

void TestFaultsInput::logKeepsEveryByteOfAFlood()
{
    // The simulated board (port 0) lists a long program three times and runs it, while Run
    // Program's pause holds what arrives: far more than the terminal keeps, and past a 64 KiB write.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("flood.log"));
    FakePlatform fakes;
    QtSerialLine serialPort(fakes.profile, fakes.serialDevices);
    SwitchingLine line(serialPort);
    ShortRealClock clock;
    Form1 form(Platform{line, clock, fakes.fileDialog, fakes.profile, fakes.launcher, fakes.associations,
                        fakes.helpViewer, fakes.prompter, fakes.applicationDir});
    form.load();
    QVERIFY(line.isOpen());
    QByteArray received;
    connect(&line, &SerialLine::received, this, [&](const QString& chunk) { received += chunk.toLatin1(); });
    constexpr int kLines = 300;
    QString program;
    for (int n = 1; n <= kLines; ++n)
        program += QStringLiteral("%1 PRINT \"%2\"\r").arg(n).arg(QString(60, QChar(u'A' + n % 26)));
    line.sendLine(program);
    QTRY_VERIFY_WITH_TIMEOUT(received.count('>') > kLines, 30000);

    fakes.fileDialog.answers.append(path);
    QMetaObject::invokeMethod(&form, "toggleLog");
    QVERIFY(form.findChild<QLabel*>(QStringLiteral("logLabel"))->isVisibleTo(&form));
    received.clear();
    line.sendLine(QStringLiteral("LIST\rLIST\rLIST\r"));
    QMetaObject::invokeMethod(&form, "runProgram");
    QTRY_VERIFY_WITH_TIMEOUT(received.count("READY\r\n>") == 4, 30000);
    QMetaObject::invokeMethod(&form, "toggleLog");

    QVERIFY(received.size() > 4 * kLines * 60);
    QCOMPARE(readFile(path), received);
}

void TestFaultsInput::sessionLog_data()
{
    QTest::addColumn<QByteArray>("before"); // the file's contents before; null: no such file
    QTest::addColumn<int>("answer");        // to "append or replace?"; -1: not asked
    QTest::addColumn<QString>("folder");    // "regular": the folder is a file
    QTest::addColumn<int>("room");          // bytes the disk takes; 0: no limit
    const QByteArray old("old\r\n");
    QTest::newRow("new file") << QByteArray() << -1 << "" << 0;
    QTest::newRow("append") << old << int(Prompter::Answer::First) << "" << 0;
    QTest::newRow("replace") << old << int(Prompter::Answer::Second) << "" << 0;
    QTest::newRow("cancel") << old << int(Prompter::Answer::Cancel) << "" << 0;
    // The first 64 KiB write goes through, the second fills the disk.
    QTest::newRow("disk fills") << QByteArray() << -1 << "" << 100'000;
    QTest::newRow("folder is a file") << QByteArray() << -1 << "regular" << 0;
}

void TestFaultsInput::sessionLog()
{
    QFETCH(QByteArray, before);
    QFETCH(int, answer);
    QFETCH(QString, folder);
    QFETCH(int, room);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("regular")), "x"));
    const QString path = dir.filePath(folder.isEmpty() ? QStringLiteral("session.log") : folder + "/session.log");
    if (!before.isNull()) QVERIFY(writeFile(path, before));
    FakePlatform fakes;
    fakes.profile.set("Log", "File", dir.filePath(QStringLiteral("last.log")));
    Form1 form(fakes.platform());
    form.load();
    fakes.fileDialog.answers.append(path);
    if (answer >= 0) fakes.prompter.answers.append(Prompter::Answer(answer));
    QMetaObject::invokeMethod(&form, "toggleLog");
    // The last file is proposed; the question about an existing file is ours, not the dialog's.
    QCOMPARE(fakes.fileDialog.shown.constLast().proposedName, dir.filePath(QStringLiteral("last.log")));
    QVERIFY(!fakes.fileDialog.shown.constLast().confirmOverwrite);
    QCOMPARE(fakes.prompter.asked.size(), answer >= 0 ? 1 : 0);
    auto* label = form.findChild<QLabel*>(QStringLiteral("logLabel"));
    const bool started = answer != int(Prompter::Answer::Cancel) && folder.isEmpty();
    QCOMPARE(label->isVisibleTo(&form), started);
    QCOMPARE(findAction(form, "logToFile")->text(), started ? "Stop Logging" : "Log to File...");

    QByteArray sent;
    {
        FileSizeLimit limit(room > 0 ? rlim_t(room) : RLIM_INFINITY);
        for (int i = 0; i < 150; ++i) {
            const QByteArray chunk = QByteArray::number(i).rightJustified(1000, char(1 + i % 255));
            sent += chunk;
            fakes.line.deliver(QString::fromLatin1(chunk));
        }
    }
    const QString status = form.findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->currentMessage();
    QCOMPARE(status, room > 0 || !folder.isEmpty() ? QStringLiteral("Cannot write ") + path : QString());
    if (room > 0) {
        // A log that stopped says so until the next log, whatever the status bar says meanwhile.
        form.setStatusText(QStringLiteral("Loading x..."));
        QVERIFY(label->isVisibleTo(&form));
        QCOMPARE(label->text(), QStringLiteral("Log stopped: cannot write session.log"));
        QVERIFY(label->toolTip().startsWith(path + QStringLiteral(": ")));
        QCOMPARE(findAction(form, "logToFile")->text(), QStringLiteral("Log to File..."));
    } else {
        if (label->isVisibleTo(&form)) QMetaObject::invokeMethod(&form, "toggleLog");
        QVERIFY(!label->isVisibleTo(&form));
    }
    // Byte for byte as received, after what the file held when appending; a full disk keeps what it took.
    QByteArray expected = started ? sent : before;
    if (answer == int(Prompter::Answer::First)) expected.prepend(before);
    if (room > 0) expected.truncate(room);
    if (folder.isEmpty()) QCOMPARE(readFile(path), expected);
    QCOMPARE(fakes.profile.values.value("log/file"), started ? path : dir.filePath(QStringLiteral("last.log")));
}

QTEST_MAIN(TestFaultsInput)
#include "tst_faults_input.moc"
