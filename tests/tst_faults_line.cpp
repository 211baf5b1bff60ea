// SPDX-License-Identifier: GPL-3.0-or-later
// Faults on the real serial path: the far end vanishing in the middle of each kind of command and
// coming back, a port that cannot be opened at start-up, and a board that floods the line while a
// command pauses. The main window runs with the real serial line
// and settings file; the far end is the board tool or a pseudo-terminal the test holds itself, both
// reached through a symbolic link that key 1 of [Ports] names, so a new far end can take its place.
// Pauses run the event loop for about 2 ms and count as their full length.
#include "boardsession.h"
#include "testhelpers.h"

#include "app/form1.h"
#include "platform/iniprofile.h"
#include "platform/qtserialline.h"
#include "terminal/terminalview.h"

#include "config/serialsetup.h"
#include "config/settings.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <malloc.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The other end of the line, started behind a symbolic link and made to vanish at will.
class FarEnd
{
public:
    virtual ~FarEnd() = default;
    virtual bool start(const QString& link) = 0;
    virtual void vanish() = 0;
};

// The board tool: it answers like a board; killing it hangs up its terminal.
class BoardToolEnd : public FarEnd
{
public:
    ~BoardToolEnd() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }
    bool start(const QString& link) override
    {
        m_process.start(qEnvironmentVariable("KORVEL_BOARDSIM"), {QStringLiteral("--link"), link});
        if (!m_process.waitForStarted(5000)) return false;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000)) return false;
        }
        m_process.readLine();
        return true;
    }
    void vanish() override
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
};

// A pseudo-terminal from openpty(): the test reads what the line sends and writes what a board would.
class PtyEnd : public FarEnd
{
public:
    ~PtyEnd() override { vanish(); }
    bool start(const QString& link) override
    {
        vanish();
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) return false;
        termios raw{};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        QFile::remove(link);
        return QFile::link(QString::fromLocal8Bit(::ptsname(m_master)), link);
    }
    void vanish() override
    {
        if (m_slave >= 0) ::close(m_slave);
        if (m_master >= 0) ::close(m_master);
        m_slave = m_master = -1;
    }
    int master() const { return m_master; }
    QByteArray readAll()
    {
        QByteArray all;
        char buffer[4096];
        for (ssize_t got; (got = ::read(m_master, buffer, sizeof buffer)) > 0;)
            all.append(buffer, got);
        return all;
    }

private:
    int m_master = -1;
    int m_slave = -1;
};

QStatusBar* statusBar(Form1& form)
{
    return form.findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
}

// Events that a busy loop would keep producing: socket activations and timer events, counted
// over passes through the event loop that do not wait.
int wakeupsOverPasses(int passes)
{
    struct Counter : QObject
    {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::SockAct || event->type() == QEvent::Timer) ++count;
            return false;
        }
    } counter;
    qApp->installEventFilter(&counter);
    for (int i = 0; i < passes; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    qApp->removeEventFilter(&counter);
    return counter.count;
}

// The terminal after a command that held every chunk: held chunks are joined up to 4096
// characters, and the terminal takes each 5000 characters at a time under the trim rule.
QString terminalModel(QString start, const QStringList& arrived)
{
    QStringList held;
    for (const QString& chunk : arrived) {
        if (!held.isEmpty() && held.last().size() < 4096)
            held.last().append(chunk);
        else
            held.append(chunk);
    }
    for (const QString& chunk : held) {
        for (qsizetype at = 0; at < chunk.size(); at += 5000) {
            if (start.size() > 15000) start.remove(0, 5000);
            start += chunk.mid(at, 5000);
        }
    }
    return start;
}

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

SerialSetup* openSerialSetup(Form1& form)
{
    QMetaObject::invokeMethod(&form, "openSerialSetup");
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* setup = qobject_cast<SerialSetup*>(widget); setup && setup->isVisible()) return setup;
    }
    return nullptr;
}

} // namespace

class TestFaultsLine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void farEndVanishes_data();
    void farEndVanishes();
    void portThatCannotBeOpenedIsKept();
    void floodDuringCommand_data();
    void floodDuringCommand();

private:
    using Session = BoardSession;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFaultsLine::init()
{
    QVERIFY(QFileInfo::exists(qEnvironmentVariable("KORVEL_BOARDSIM")));
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestFaultsLine::farEndVanishes_data()
{
    QTest::addColumn<bool>("boardTool"); // else a pseudo-terminal of the test's own
    QTest::addColumn<QString>("command");
    for (const char* command : {"idle", "load", "save", "reset"}) {
        // The board tool answers LIST at once; only the test's own far end can be made to go mid-capture.
        if (qstrcmp(command, "save") != 0)
            QTest::addRow("board tool killed, %s", command) << true << QString::fromLatin1(command);
        QTest::addRow("pty closed, %s", command) << false << QString::fromLatin1(command);
    }
}

void TestFaultsLine::farEndVanishes()
{
    QFETCH(bool, boardTool);
    QFETCH(QString, command);
    const QString link = m_dir->filePath(QStringLiteral("board"));
    std::unique_ptr<FarEnd> farEnd;
    if (boardTool)
        farEnd = std::make_unique<BoardToolEnd>();
    else
        farEnd = std::make_unique<PtyEnd>();
    QVERIFY(farEnd->start(link));

    Session session(link, m_dir->path());
    QVERIFY(session.line.isOpen());
    QSerialPort* port = session.port();
    QVERIFY(port && port->isOpen());
    QSignalSpy problems(&session.line, &SerialLine::problem);
    QSignalSpy closes(port, &QIODevice::aboutToClose);
    QSignalSpy written(port, &QIODevice::bytesWritten);
    QStringList shown; // every status text, in order
    connect(statusBar(*session.form), &QStatusBar::messageChanged, this,
            [&shown](const QString& text) { shown.append(text); });

    qint64 writtenAtLoss = -1;
    int idleAtLoss = 0;
    const auto vanish = [&] {
        farEnd->vanish();
        QVERIFY(problems.wait(5000));
        writtenAtLoss = written.count();
    };
    std::function<void()> beforeLoss;
    session.clock.onIdle = [&](int call) {
        if (call == 1 && beforeLoss) beforeLoss();
        if (call == 3) {
            idleAtLoss = call;
            vanish();
        }
    };

    const QString source = m_dir->filePath(QStringLiteral("prog.bas"));
    const QString target = m_dir->filePath(QStringLiteral("PROG.LIS"));
    QFile::remove(target);
    int expectedPauses = 0;
    if (command == QLatin1String("idle")) {
        vanish();
    } else if (command == QLatin1String("load")) {
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("10 print 1\n20 print 2\n30 print 3\n40 print 4\n50 print 5\n");
        file.close();
        session.fakes.fileDialog.answers = {source};
        QVERIFY(QMetaObject::invokeMethod(session.form.get(), "loadProgram"));
        expectedPauses = 3; // "new" and two lines: the loss stops the upload
    } else if (command == QLatin1String("save")) {
        session.fakes.fileDialog.answers = {target};
        // The test plays the board: the echo and the first lines arrive, then the line goes.
        beforeLoss = [&] {
            QCOMPARE(session.form->capture().mode(), CaptureMode::AwaitingEcho);
            auto* pty = static_cast<PtyEnd*>(farEnd.get());
            QByteArray atBoard;
            QTRY_VERIFY_WITH_TIMEOUT((atBoard += pty->readAll()).size() >= 6, 5000);
            QCOMPARE(atBoard, QByteArray("LIST\r\n"));
            QCOMPARE(::write(pty->master(), "LIST\r\n10 PRINT 1\r\n", 18), 18);
            QTRY_COMPARE_WITH_TIMEOUT(session.form->capture().buffer(), QStringLiteral("LIST\r\n10 PRINT 1\r\n"), 5000);
        };
        QVERIFY(QMetaObject::invokeMethod(session.form.get(), "saveProgram"));
        expectedPauses = 3;
    } else {
        QVERIFY(QMetaObject::invokeMethod(session.form.get(), "resetBoard"));
        expectedPauses = 3;
    }
    if (QTest::currentTestFailed()) return;

    // The command stopped at the loss: no pause after it, and nothing went out after it.
    QCOMPARE(session.clock.idleCalls, expectedPauses);
    if (expectedPauses > 0) QCOMPARE(idleAtLoss, 3);
    QCOMPARE(problems.count(), 1);
    const QString report = problems.at(0).at(0).toString();
    QVERIFY2(report.startsWith(QStringLiteral("Port 1 (%1) was lost: ").arg(link)), qPrintable(report));
    QVERIFY(!session.line.isOpen());
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    QCOMPARE(written.count(), writtenAtLoss);
    QVERIFY(!port->isOpen());
    QCOMPARE(closes.count(), 1);
    QCOMPARE(shown.count(report), 1);
    // The command's ending names the loss; without a command the report stays.
    const QString portName = QStringLiteral("Port 1 (%1)").arg(link);
    const QMap<QString, QString> ending{
        {QStringLiteral("idle"), report},
        {QStringLiteral("load"), QStringLiteral("Upload stopped after 2 of 5 lines: %1 was lost").arg(portName)},
        {QStringLiteral("save"), QStringLiteral("Save cancelled: %1 was lost; nothing written to %2").arg(portName, target)},
        {QStringLiteral("reset"), QStringLiteral("Reset stopped: %1 was lost").arg(portName)}};
    QCOMPARE(statusBar(*session.form)->currentMessage(), ending.value(command));
    if (command == QLatin1String("load"))
        QVERIFY(!session.form->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->isVisible());
    if (command == QLatin1String("save")) {
        QVERIFY(!QFileInfo::exists(target));
        // What the board had said is not lost from view.
        QCOMPARE(session.form->terminal().text(), QStringLiteral("LIST\r\n10 PRINT 1\r\n"));
    }

    // No busy loop: the port reports nothing more and the event loop has nothing to do.
    for (const QSocketNotifier* notifier : port->findChildren<QSocketNotifier*>())
        QVERIFY(!notifier->isEnabled());
    QVERIFY(wakeupsOverPasses(50) < 10);
    QCOMPARE(problems.count(), 1);

    // A key typed meanwhile is not dropped without a word.
    QTest::keyClick(session.form->terminalView(), Qt::Key_A);
    QCOMPARE(statusBar(*session.form)->currentMessage(), QStringLiteral("Not sent: port 1 (%1) is not open").arg(link));

    // A new far end at the same path. The line finds it by itself, or the user chooses the port again
    // in the settings dialog first; either way the report of the loss goes.
    QVERIFY(farEnd->start(link));
    QSignalSpy opened(&session.line, &SerialLine::opened);
    const bool byItself = command == QLatin1String("idle") || command == QLatin1String("save");
    if (byItself) {
        QVERIFY(opened.wait(10000));
        QCOMPARE(statusBar(*session.form)->currentMessage(), QStringLiteral("Port 1 (%1) is back").arg(link));
    } else {
        SerialSetup* dialog = openSerialSetup(*session.form);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        QCOMPARE(statusBar(*session.form)->currentMessage(), QString());
    }
    QVERIFY(session.line.isOpen());
    QVERIFY(!session.line.isWatching());
    QCOMPARE(session.line.portNumber(), 1);
    QCOMPARE(problems.count(), 1);
    // A command that ends no longer brings the old report back.
    session.form->setStatusText(QString());
    QCOMPARE(statusBar(*session.form)->currentMessage(), QString());

    QSignalSpy received(&session.line, &SerialLine::received);
    if (boardTool) {
        session.line.sendLine(QStringLiteral("print 6*7\r\n"));
        const auto joined = [&received] {
            QString text;
            for (const auto& arguments : received)
                text += arguments.at(0).toString();
            return text;
        };
        QTRY_VERIFY_WITH_TIMEOUT(joined().contains(QLatin1String(" 42")), 10000);
    } else {
        auto* pty = static_cast<PtyEnd*>(farEnd.get());
        session.line.sendLine(QStringLiteral("x"));
        QByteArray atBoard;
        QTRY_VERIFY_WITH_TIMEOUT((atBoard += pty->readAll()).size() >= 1, 5000);
        QCOMPARE(atBoard, QByteArray("x"));
        QCOMPARE(::write(pty->master(), "y", 1), 1);
        QVERIFY(received.wait(5000));
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("y"));
    }
}

void TestFaultsLine::portThatCannotBeOpenedIsKept()
{
    // Port 1 is mapped to a board that is not plugged in yet.
    const QString link = m_dir->filePath(QStringLiteral("board"));
    Session session(link, m_dir->path());
    QVERIFY(!session.line.isOpen());
    QCOMPARE(statusBar(*session.form)->currentMessage(),
             QStringLiteral("Port 1 (%1) cannot be opened: No such file or directory").arg(link));

    // The settings dialog shows the port chosen, not the probe's 0, and Cancel keeps it.
    SerialSetup* dialog = openSerialSetup(*session.form);
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("Combo5"))->currentText(), QStringLiteral("1"));
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    QCOMPARE(session.line.chosenPort(), 1);

    // Exit stores it, so the next start tries it again. (Exit ends the event loop for good, so it
    // comes last.)
    triggerAction(*session.form, QStringLiteral("End"));
    QCOMPARE(session.profile.readString(QStringLiteral("ComPort"), QStringLiteral("Port"), QString(), 20),
             QStringLiteral("1"));
    FakeSerialLine next;
    SettingsFile(session.profile).load(next);
    QCOMPARE(next.chosenPort(), 1);
}

void TestFaultsLine::floodDuringCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("reset") << QStringLiteral("reset");
    QTest::newRow("load") << QStringLiteral("load");
}

void TestFaultsLine::floodDuringCommand()
{
    QFETCH(QString, command);
    const QString link = m_dir->filePath(QStringLiteral("board"));
    PtyEnd pty;
    QVERIFY(pty.start(link));
    Session session(link, m_dir->path());
    QVERIFY(session.line.isOpen());
    session.form->terminalView()->sync();

    const size_t heapBefore = heapInUse();
    // 10 MB of every byte value but NUL, so that a byte lost, doubled or re-ordered shows.
    constexpr qsizetype kFlood = 10 * 1024 * 1024;
    QByteArray flood(kFlood, Qt::Uninitialized);
    for (qsizetype i = 0; i < kFlood; ++i)
        flood[i] = char(1 + (i * 7 + i / 251) % 255);

    QStringList arrived;
    qsizetype arrivedBytes = 0;
    connect(&session.line, &SerialLine::received, this, [&](const QString& chunk) {
        arrived.append(chunk);
        arrivedBytes += chunk.size();
    });

    // The board writes whenever its terminal has room, for as long as the first pause lasts.
    qsizetype sent = 0;
    QSocketNotifier writable(pty.master(), QSocketNotifier::Write);
    writable.setEnabled(false);
    connect(&writable, &QSocketNotifier::activated, this, [&] {
        while (sent < kFlood) {
            const ssize_t put =
                ::write(pty.master(), flood.constData() + sent, size_t(std::min<qsizetype>(kFlood - sent, 65536)));
            if (put <= 0) break;
            sent += put;
        }
        if (sent == kFlood) writable.setEnabled(false);
    });
    session.clock.onIdle = [&](int call) {
        if (call != 1) return;
        writable.setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(arrivedBytes, kFlood, 60000);
    };

    const QString terminalBefore = session.form->terminal().text();
    if (command == QLatin1String("reset")) {
        QVERIFY(QMetaObject::invokeMethod(session.form.get(), "resetBoard"));
    } else {
        const QString source = m_dir->filePath(QStringLiteral("two.bas"));
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("10 print 1\n20 print 2\n");
        file.close();
        session.fakes.fileDialog.answers = {source};
        QVERIFY(QMetaObject::invokeMethod(session.form.get(), "loadProgram"));
    }
    QCOMPARE(arrivedBytes, kFlood);

    // Every byte arrived, in order, and the terminal shows what the trim rule keeps of it: no more
    // than 15000 characters and one piece, however the flood came in.
    QCOMPARE(arrived.join(QString()).toLatin1(), flood);
    {
        const QString model = terminalModel(command == QLatin1String("reset") ? QString() : terminalBefore, arrived);
        QCOMPARE(session.form->terminal().text(), model);
        QVERIFY(model.size() <= 20000);
        // The document's raw text, since toPlainText() turns the no-break space (0xA0) into a blank.
        session.form->terminalView()->sync();
        QString shown = session.form->terminalView()->document()->toRawText();
        shown.replace(QChar::ParagraphSeparator, u'\n');
        QCOMPARE(shown, TerminalView::displayText(model));
    }

    // What was held for the command is gone again: the heap is back near its level before.
    arrived.clear();
    arrived.squeeze();
    flood.clear();
    flood.squeeze();
    const size_t heapAfter = heapInUse();
    QVERIFY2(heapAfter < heapBefore + 4 * 1024 * 1024,
             qPrintable(QStringLiteral("heap before %1, after %2").arg(heapBefore).arg(heapAfter)));
}

QTEST_MAIN(TestFaultsLine)
#include "tst_faults_line.moc"
