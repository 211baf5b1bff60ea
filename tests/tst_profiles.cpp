// SPDX-License-Identifier: GPL-3.0-or-later
// One settings profile per board: "korvel --profile NAME" keeps its settings in Korvel-NAME.ini,
// the names that are refused, and two windows that each write only their own file.
#include "fakes.h"
#include "testhelpers.h"

#include "app/form1.h"
#include "platform/iniprofile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestProfiles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void names_data();
    void names();
    void twoProfilesKeepToTheirOwnFiles();
    void commandLine_data();
    void commandLine();

private:
    std::unique_ptr<QTemporaryDir> m_dir; // XDG_CONFIG_HOME
};

void TestProfiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
}

void TestProfiles::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file"); // empty: refused

    QTest::newRow("none") << ""
                          << "Korvel.ini";
    QTest::newRow("letters") << "lab"
                             << "Korvel-lab.ini";
    QTest::newRow("all kinds") << "Board-2_b"
                               << "Korvel-Board-2_b.ini";
    QTest::newRow("longest") << QString(IniProfile::kMaxProfileName, u'x')
                             << "Korvel-" + QString(IniProfile::kMaxProfileName, u'x') + ".ini";
    QTest::newRow("too long") << QString(IniProfile::kMaxProfileName + 1, u'x') << "";
    QTest::newRow("folder") << "../lab"
                            << "";
    QTest::newRow("slash") << "a/b"
                           << "";
    QTest::newRow("dot") << "lab.ini"
                         << "";
    QTest::newRow("blank") << "my lab"
                           << "";
    QTest::newRow("not ASCII") << u"l\u00e4b"_s << "";
    QTest::newRow("line end") << "lab\n"
                              << "";
}

void TestProfiles::names()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QCOMPARE(name.isEmpty() || IniProfile::isProfileName(name), !file.isEmpty());
    if (!file.isEmpty()) QCOMPARE(IniProfile::profilePath(name), m_dir->filePath(file));
}

void TestProfiles::twoProfilesKeepToTheirOwnFiles()
{
    // The shared file holds a third board's settings; neither profile touches it.
    const QByteArray shared = "[ComPort]\r\nBaud= 300\r\nPort= 9\r\n";
    QVERIFY(writeFile(IniProfile::defaultPath(), shared));
    QVERIFY(writeFile(IniProfile::profilePath(u"b"_s), "[ComPort]\nBaud= 19200\nPort= 2\n"));

    struct Window
    {
        FakePlatform fakes;
        IniProfile profile;
        Form1 form;
        explicit Window(const QString& name)
            : profile(IniProfile::profilePath(name)),
              form(Platform{fakes.line, fakes.clock, fakes.fileDialog, profile, fakes.launcher, fakes.associations,
                            fakes.helpViewer, fakes.prompter, fakes.applicationDir})
        {
            form.load();
        }
    };
    Window a(u"a"_s);
    Window b(u"b"_s);
    QCOMPARE(a.fakes.line.baudRate(), 0); // a new profile starts empty
    QCOMPARE(b.fakes.line.baudRate(), 19200);
    QCOMPARE(b.fakes.line.chosenPort(), 2);

    a.fakes.line.setBaudRate(9600);
    a.fakes.line.setPortNumber(1);
    b.fakes.line.setPortNumber(3);
    triggerAction(a.form, u"End"_s);
    triggerAction(b.form, u"End"_s);

    const auto value = [](const QString& name, const char* key) {
        return IniProfile(IniProfile::profilePath(name)).readString(u"ComPort"_s, QString::fromLatin1(key), {}, 20);
    };
    QCOMPARE(value(u"a"_s, "Baud"), u"9600"_s);
    QCOMPARE(value(u"a"_s, "Port"), u"1"_s);
    QCOMPARE(value(u"b"_s, "Baud"), u"19200"_s);
    QCOMPARE(value(u"b"_s, "Port"), u"3"_s);
    QCOMPARE(readFile(IniProfile::defaultPath()), shared);
}

void TestProfiles::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // a part of standard output
    QTest::addColumn<QString>("err"); // a part of standard error

    QTest::newRow("version") << QStringList{u"--version"_s} << 0 << u"Korvel "_s << u""_s;
    QTest::newRow("help") << QStringList{u"--help"_s} << 0 << u"--profile <name>"_s << u""_s;
    QTest::newRow("name with a slash") << QStringList{u"--profile"_s, u"../x"_s} << 2 << u""_s
                                       << u"the profile name '../x' is not allowed"_s;
    QTest::newRow("empty name") << QStringList{u"--profile="_s} << 2 << u""_s << u"is not allowed"_s;
    QTest::newRow("no name") << QStringList{u"--profile"_s} << 2 << u""_s << u"Missing value"_s;
    QTest::newRow("unknown option") << QStringList{u"--port"_s} << 2 << u""_s << u"Unknown option 'port'"_s;
    QTest::newRow("stray argument") << QStringList{u"lab"_s} << 2 << u""_s << u"unexpected argument 'lab'"_s;
}

void TestProfiles::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const QString program = qEnvironmentVariable("KORVEL_PROGRAM");
    if (program.isEmpty()) QSKIP("KORVEL_PROGRAM names no program");

    QProcess korvel;
    korvel.start(program, arguments);
    QVERIFY(korvel.waitForFinished(20000));
    QCOMPARE(korvel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(korvel.exitCode(), status);
    const QString stdOut = QString::fromLocal8Bit(korvel.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(korvel.readAllStandardError());
    QVERIFY2(stdOut.contains(out), qPrintable(stdOut));
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    // Nothing was written: a refused command line starts nothing.
    QVERIFY(QDir(m_dir->path()).isEmpty());
}

QTEST_MAIN(TestProfiles)
#include "tst_profiles.moc"
