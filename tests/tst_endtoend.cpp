// SPDX-License-Identifier: GPL-3.0-or-later
// The real program's serial path against the simulated board on a pseudo-terminal: the main
// window with the real serial line and settings file, the board tool at the other end. Pauses run
// the event loop for a few milliseconds each and count as their full length, so an 11 s Reset
// takes well under a second.
#include "boardsession.h"
#include "testhelpers.h"

#include "app/form1.h"
#include "platform/iniprofile.h"
#include "platform/qtserialline.h"
#include "terminal/terminalview.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void typedKeysReachTheBoard();
    void loadThenSaveGivesTheListingBack();
    void runMemoryAndReset();
    void saveLoadSaveKeepsTheListing();
    void promptPacingLosesNoLine();

private:
    using Session = BoardSession;

    static QString status(Session& session)
    {
        return session.form->findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->currentMessage();
    }
    // Save or Verify Program until the capture is over. It ends on the chunk after the prompt; when the
    // board is quiet by then, a CR gives it one more.
    static void capture(Session& session, const char* command, const QString& file)
    {
        session.fakes.fileDialog.answers = {file};
        QVERIFY(QMetaObject::invokeMethod(session.form.get(), command));
        // The buffer of the last capture stays until the first chunk of this one replaces it.
        QTRY_VERIFY_WITH_TIMEOUT(session.form->capture().mode() != CaptureMode::AwaitingEcho &&
                                     session.form->capture().buffer().contains(QLatin1String("READY\r\n>")),
                                 20000);
        if (session.form->capture().mode() != CaptureMode::Terminal) session.line.sendLine(QStringLiteral("\r"));
        QTRY_COMPARE_WITH_TIMEOUT(session.form->capture().mode(), CaptureMode::Terminal, 10000);
    }

    QProcess m_board;
    QString m_device;
    QTemporaryDir m_dir;
};

void TestEndToEnd::initTestCase()
{
    const QString tool = qEnvironmentVariable("KORVEL_BOARDSIM");
    QVERIFY2(QFileInfo::exists(tool), "KORVEL_BOARDSIM names the board tool");
    m_board.start(tool, {});
    QVERIFY(m_board.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_board.canReadLine(), 10000);
    m_device = QString::fromLocal8Bit(m_board.readLine()).trimmed();
    QVERIFY(m_device.startsWith(QLatin1String("/dev/")));
}

void TestEndToEnd::cleanupTestCase()
{
    m_board.terminate();
    m_board.waitForFinished(5000);
}

void TestEndToEnd::typedKeysReachTheBoard()
{
    Session session(m_device, m_dir.path());
    QVERIFY(session.line.isOpen());
    QWidget* text2 = session.form->terminalView();
    QTest::keyClicks(text2, QStringLiteral("print 7"));
    QTest::keyClick(text2, Qt::Key_Return);
    // What appears is the board's echo and answer; the keys themselves write nothing.
    QTRY_VERIFY_WITH_TIMEOUT(session.text().contains(QLatin1String("print 7\r\n 7")), 10000);
    session.form->terminalView()->sync();
    QVERIFY(session.form->terminalView()->toPlainText().contains(QLatin1String("print 7\n 7")));
}

void TestEndToEnd::loadThenSaveGivesTheListingBack()
{
    Session session(m_device, m_dir.path());
    // Written on Linux: LF line ends, and no line end after the last line.
    const QString source = m_dir.filePath(QStringLiteral("blink.bas"));
    QVERIFY(writeFile(source, "10 print \"on\"\n20 for i=1 to 3\r\n30 next i"));
    session.fakes.fileDialog.answers = {source};
    QVERIFY(QMetaObject::invokeMethod(session.form.get(), "loadProgram"));
    QTRY_VERIFY_WITH_TIMEOUT(session.text().contains(QLatin1String("30 next i")), 10000);

    const QString target = m_dir.filePath(QStringLiteral("BLINK.LIS"));
    session.fakes.fileDialog.answers = {target};
    QVERIFY(QMetaObject::invokeMethod(session.form.get(), "saveProgram"));
    // The capture ends on the chunk after the one holding the prompt; the board is quiet by then,
    // so give it one more character.
    QTRY_VERIFY_WITH_TIMEOUT(session.form->capture().buffer().contains(QLatin1String("READY\r\n>")), 10000);
    if (session.form->capture().mode() != CaptureMode::Terminal) session.line.sendLine(QStringLiteral("\r"));
    QTRY_COMPARE_WITH_TIMEOUT(session.form->capture().mode(), CaptureMode::Terminal, 10000);
    QCOMPARE(readFile(target), QByteArray("10     PRINT \"on\"\r\n"
                                          "20     FOR I=1 TO 3\r\n"
                                          "30     NEXT I\r\n"
                                          "\r\n\r\n"));
}

void TestEndToEnd::runMemoryAndReset()
{
    Session session(m_device, m_dir.path());
    QWidget* text2 = session.form->terminalView();
    QTest::keyClicks(text2, QStringLiteral("new"));
    QTest::keyClick(text2, Qt::Key_Return);
    QTest::keyClicks(text2, QStringLiteral("10 print \"hello\""));
    QTest::keyClick(text2, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(session.text().contains(QLatin1String("10 print \"hello\"\r\n>")), 10000);

    QVERIFY(QMetaObject::invokeMethod(session.form.get(), "runProgram"));
    QTRY_VERIFY_WITH_TIMEOUT(session.text().contains(QLatin1String("RUN\r\n\r\nhello\r\n\r\nREADY\r\n>")), 10000);

    QVERIFY(QMetaObject::invokeMethod(session.form.get(), "showMemory"));
    QTRY_VERIFY_WITH_TIMEOUT(session.text().contains(QLatin1String("?free\r\n ")), 10000);

    QVERIFY(QMetaObject::invokeMethod(session.form.get(), "resetBoard"));
    // The terminal was cleared first; the board saw the blanks, the memory top and "new".
    QTRY_VERIFY_WITH_TIMEOUT(session.text().contains(QLatin1String("mtop =  32768\r\n")), 10000);
    QTRY_VERIFY2_WITH_TIMEOUT(session.text().endsWith(QLatin1String("new\r\n\r\n>\n")),
                              qPrintable(session.text().toUtf8().toPercentEncoding(" ")), 10000);
    QVERIFY2(!session.text().contains(QLatin1String("hello")),
             qPrintable(session.text().toUtf8().toPercentEncoding(" ")));
}

void TestEndToEnd::saveLoadSaveKeepsTheListing()
{
    Session session(m_device, m_dir.path());
    // Line 80 is typed in 68 characters and listed in 99: sent back as listed, the board would keep 78.
    const QString source = m_dir.filePath(QStringLiteral("round.bas"));
    QVERIFY(writeFile(source, "10 print \"a  b\" : rem  count   up\n"
                              "80 A=1:B=2:C=3:D=4:E=5:F=6:G=7:H=8:I=9:J=10:K=11:L=12:M=13:N=14:O=15\n"
                              "90 data 1 , \"x  y\" , 3\n"));
    const QString first = m_dir.filePath(QStringLiteral("FIRST.LIS"));
    const QString second = m_dir.filePath(QStringLiteral("SECOND.LIS"));
    for (const auto& [from, to] : {std::pair{source, first}, std::pair{first, second}}) {
        session.fakes.fileDialog.answers = {from};
        QVERIFY(QMetaObject::invokeMethod(session.form.get(), "loadProgram"));
        QTRY_VERIFY_WITH_TIMEOUT(session.text().contains(QLatin1String("3\r\n>")), 10000);
        capture(session, "saveProgram", to);
        if (QTest::currentTestFailed()) return;
    }
    const QByteArray listing = readFile(first);
    QVERIFY2(listing.contains("\r\n80    A=1 : B=2 : C=3 : D=4 : E=5 : F=6 : G=7 : H=8 : I=9 : J=10 : K=11 : L=12 : "
                              "M=13 : N=14 : O=15\r\n"),
             listing.constData());
    QCOMPARE(readFile(second), listing);
}

void TestEndToEnd::promptPacingLosesNoLine()
{
    // A board that takes its time over each line like the genuine one, and loses what arrives meanwhile.
    QProcess board;
    board.start(qEnvironmentVariable("KORVEL_BOARDSIM"),
                {"--line-ms", "10-30", "--first-line-ms", "450", "--lossy", "--baud", "9600", "--seed", "7"});
    QVERIFY(board.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(board.canReadLine(), 10000);
    const QString device = QString::fromLocal8Bit(board.readLine()).trimmed();
    {
        Session session(device, m_dir.path(), true);
        QByteArray program;
        for (int n = 1; n <= 40; ++n)
            program += QByteArray::number(n * 10) + " print \"line " + QByteArray::number(n) + "\" , " +
                       QByteArray(n % 7 * 5, 'x') + "\r\n";
        const QString source = m_dir.filePath(QStringLiteral("forty.lis"));
        QVERIFY(writeFile(source, program));
        session.fakes.fileDialog.answers = {source};
        QElapsedTimer timer;
        timer.start();
        QVERIFY(QMetaObject::invokeMethod(session.form.get(), "loadProgram"));
        qInfo("40 lines prompt-paced in %lld ms", timer.elapsed());
        QCOMPARE(status(session), QString());

        capture(session, "verifyProgram", source);
        QCOMPARE(status(session), "Program on the board matches " + source + " (40 lines)");
    }
    board.terminate();
    board.waitForFinished(5000);
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
