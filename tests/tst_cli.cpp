// SPDX-License-Identifier: GPL-3.0-or-later
// korvel-cli as a user runs it: the program as a process, the board tool at the other end of a
// pseudo-terminal, no Korvel.ini (a scratch configuration folder), the exit status and what it prints.
#include "platform/qtserialdevices.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void loadNamesTheRefusedLine();
    void saveThenVerify();
    void syncSendsOnlyTheChangedLine();
    void runStreamsTheOutput_data();
    void runStreamsTheOutput();
    void interruptStopsTheProgram();
    void exitStatusWithoutABoard_data();
    void exitStatusWithoutABoard();

private:
    struct Result
    {
        int exit = -1;
        QString out;
        QString err;
        QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
    };

    // A fresh board for each test, so a program left running cannot spoil the next.
    QString startBoard()
    {
        m_board.start(qEnvironmentVariable("KORVEL_BOARDSIM"), {});
        if (!m_board.waitForStarted() || !m_board.waitForReadyRead(10000)) return QString();
        return QString::fromLocal8Bit(m_board.readLine()).trimmed();
    }
    void startCli(QProcess& process, const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_dir.path());
        process.start(qEnvironmentVariable("KORVEL_CLI"), arguments);
    }
    Result cli(const QStringList& arguments)
    {
        QProcess process;
        startCli(process, arguments);
        Result result;
        if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit) return result;
        result.exit = process.exitCode();
        result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        result.err = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return file.fileName();
    }

    QTemporaryDir m_dir;
    QProcess m_board;
};

void TestCli::initTestCase()
{
    QVERIFY2(QFileInfo::exists(qEnvironmentVariable("KORVEL_BOARDSIM")), "KORVEL_BOARDSIM names the board tool");
    QVERIFY2(QFileInfo::exists(qEnvironmentVariable("KORVEL_CLI")), "KORVEL_CLI names korvel-cli");
}

void TestCli::cleanup()
{
    m_board.terminate();
    m_board.waitForFinished(5000);
}

void TestCli::loadNamesTheRefusedLine()
{
    const QString device = startBoard();
    const QString file = write(QStringLiteral("refused.bas"), "10 print 1\n70000 print 2\n20 print 3\n");
    const Result text = cli({QStringLiteral("-p"), device, QStringLiteral("load"), file});
    QCOMPARE(text.exit, 1);
    QVERIFY2(text.err.contains(QLatin1String("line 70000 (ERROR: BAD SYNTAX)")), qPrintable(text.err));

    const Result json = cli({QStringLiteral("-p"), device, QStringLiteral("--json"), QStringLiteral("merge"), file});
    QCOMPARE(json.exit, 1);
    const QJsonObject object = json.json();
    QCOMPARE(object.value(QLatin1String("command")).toString(), QStringLiteral("merge"));
    QCOMPARE(object.value(QLatin1String("sent")).toInt(), 3);
    const QJsonArray refused = object.value(QLatin1String("refused")).toArray();
    QCOMPARE(refused.size(), 1);
    QCOMPARE(refused[0].toObject().value(QLatin1String("line")).toInt(), 70000);
    QCOMPARE(refused[0].toObject().value(QLatin1String("answer")).toString(), QStringLiteral("ERROR: BAD SYNTAX"));
}

void TestCli::saveThenVerify()
{
    const QString device = startBoard();
    const QString source = write(QStringLiteral("prog.bas"), "10 print \"a\"\n20 print \"b\"\n30 end\n");
    const QString saved = m_dir.filePath(QStringLiteral("SAVED.LIS"));
    // One call, one line: load, save and verify in order.
    const Result chained = cli({QStringLiteral("-p"), device, QStringLiteral("load"), source, QStringLiteral("save"),
                                saved, QStringLiteral("verify"), saved});
    QCOMPARE(chained.exit, 0);
    QFile listing(saved);
    QVERIFY(listing.open(QIODevice::ReadOnly));
    QCOMPARE(listing.readAll(), QByteArray("10     PRINT \"a\"\r\n20     PRINT \"b\"\r\n30     END\r\n\r\n\r\n"));

    const QString changed = write(QStringLiteral("changed.bas"), "10 print \"a\"\n20 print \"c\"\n30 end\n");
    const Result differs = cli({QStringLiteral("-p"), device, QStringLiteral("verify"), changed});
    QCOMPARE(differs.exit, 1);
    QVERIFY2(differs.out.contains(QLatin1String("line 20     differs")), qPrintable(differs.out));
    const Result json =
        cli({QStringLiteral("-p"), device, QStringLiteral("--json"), QStringLiteral("verify"), changed});
    QCOMPARE(json.exit, 1);
    const QJsonArray differences = json.json().value(QLatin1String("differences")).toArray();
    QCOMPARE(differences.size(), 1);
    QCOMPARE(differences[0].toObject().value(QLatin1String("line")).toInt(), 20);
}

void TestCli::syncSendsOnlyTheChangedLine()
{
    const QString device = startBoard();
    QByteArray program;
    for (int n = 1; n <= 200; ++n)
        program += QByteArray::number(n * 10) + " print \"line " + QByteArray::number(n) + "\", a*b\n";
    const QString file = write(QStringLiteral("long.bas"), program);
    QCOMPARE(cli({QStringLiteral("-p"), device, QStringLiteral("-q"), QStringLiteral("load"), file}).exit, 0);

    program.replace("1000 print \"line 100\"", "1000 print \"changed\"");
    write(QStringLiteral("long.bas"), program);
    const Result sync = cli({QStringLiteral("-p"), device, QStringLiteral("--json"), QStringLiteral("--check"),
                             QStringLiteral("sync"), file});
    QCOMPARE(sync.exit, 0);
    const QJsonObject object = sync.json();
    QCOMPARE(object.value(QLatin1String("sent")).toInt(), 1);
    QCOMPARE(object.value(QLatin1String("differences")).toArray().size(), 1);
    QCOMPARE(object.value(QLatin1String("check")).toObject().value(QLatin1String("matches")).toBool(), true);
}

void TestCli::runStreamsTheOutput_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("output");

    QTest::newRow("until READY") << QByteArray("10 print \"hello\"\n20 print 6*7\n") << QStringList() << 0
                                 << QStringLiteral("hello\n 42 \n");
    QTest::newRow("until a text") << QByteArray("10 print \"tick\"\n20 goto 10\n")
                                  << QStringList{QStringLiteral("--until"), QStringLiteral("tick")} << 0
                                  << QStringLiteral("tick\n");
    QTest::newRow("timed out") << QByteArray("10 x=1\n20 goto 10\n")
                               << QStringList{QStringLiteral("--timeout"), QStringLiteral("0.3")} << 1 << QString();
}

void TestCli::runStreamsTheOutput()
{
    QFETCH(QByteArray, program);
    QFETCH(QStringList, options);
    QFETCH(int, exit);
    QFETCH(QString, output);
    const QString device = startBoard();
    const QString file = write(QStringLiteral("run.bas"), program);
    const Result run = cli(QStringList{QStringLiteral("-p"), device, QStringLiteral("-q"), QStringLiteral("load"), file,
                                       QStringLiteral("run")} +
                           options);
    QCOMPARE(run.exit, exit);
    QCOMPARE(run.out, output);
}

void TestCli::interruptStopsTheProgram()
{
    const QString device = startBoard();
    const QString file = write(QStringLiteral("loop.bas"), "10 print \"tick\"\n20 goto 10\n");
    QProcess process;
    startCli(process, {QStringLiteral("-p"), device, QStringLiteral("load"), file, QStringLiteral("run")});
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += process.readAllStandardOutput()).contains("tick"), 10000);
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 130);
    // The board got a Ctrl-C of its own and reads again.
    QCOMPARE(cli({QStringLiteral("-p"), device, QStringLiteral("send"), QStringLiteral("print 7")}).out,
             QStringLiteral(" 7 \n"));
}

void TestCli::exitStatusWithoutABoard_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("said");

    QTest::newRow("no such device") << QStringList{QStringLiteral("-p"), QStringLiteral("/dev/korvel-none"),
                                                   QStringLiteral("memory")}
                                    << 3 << QStringLiteral("/dev/korvel-none cannot be opened: No such file");
    QTest::newRow("auto, no adapter") << QStringList{QStringLiteral("-p"), QStringLiteral("auto"),
                                                     QStringLiteral("memory")}
                                      << 3 << QStringLiteral("no USB serial device is present");
    QTest::newRow("no such file") << QStringList{QStringLiteral("-p"), QStringLiteral("0"), QStringLiteral("load"),
                                                 QStringLiteral("missing.bas")}
                                  << 2 << QStringLiteral("Cannot read missing.bas: no such file");
    QTest::newRow("no such command") << QStringList{QStringLiteral("list")} << 2
                                     << QStringLiteral("unknown command \"list\"");
}

void TestCli::exitStatusWithoutABoard()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exit);
    QFETCH(QString, said);
    if (arguments.contains(QLatin1String("auto"))) {
        for (const SerialDevice& device : QtSerialDevices().present()) {
            if (device.usb) QSKIP("a USB serial adapter is plugged in");
        }
    }
    const Result result = cli(arguments);
    QCOMPARE(result.exit, exit);
    QVERIFY2(result.err.contains(said), qPrintable(result.err));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
