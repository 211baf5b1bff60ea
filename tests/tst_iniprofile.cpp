// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/iniprofile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN
const QByteArray kNewline = "\r\n";
#else
const QByteArray kNewline = "\n";
#endif

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void store(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

} // namespace

class TestIniProfile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void readString_data();
    void readString();
    void readMissingFile();
    void writeString_data();
    void writeString();
    void writeRefusesWhatTheFileCannotHold();
    void writeCreatesFolderAndReadsBack();
    void writeFailsWhenFolderCannotBeMade();
    void writeFailsOnFullDiskKeepingOldFile();
    void writeFailsInReadOnlyFolder();
    void largeAndBinaryFiles();
    void manyLinesWithoutBracketOrEquals();
    void defaultPathFollowsConfigHome();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestIniProfile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Korvel.ini"));
}

void TestIniProfile::readString_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("expected");

    const QByteArray settings = "; Korvel\r\n[ComPort]\r\nBaud= 9600\r\nPort= 2\r\n\r\n[MTop]\r\nMTop= 32768\r\n";
    QTest::newRow("CR LF") << settings << "ComPort"
                           << "Baud"
                           << "" << 20 << "9600";
    QTest::newRow("other section") << settings << "MTop"
                                   << "MTop"
                                   << "" << 20 << "32768";
    QTest::newRow("LF") << QByteArray("[ComPort]\nBaud= 9600\n") << "ComPort"
                        << "Baud"
                        << "" << 20 << "9600";
    QTest::newRow("no line end") << QByteArray("[A]\nk=5") << "A"
                                 << "k"
                                 << "" << 20 << "5";
    QTest::newRow("case") << QByteArray("[comPORT]\nbAUD=1\n") << "ComPort"
                          << "Baud"
                          << "" << 20 << "1";
    QTest::newRow("blanks around names and value")
        << QByteArray("  [ ComPort ]  \n\t Baud \t=  96 00 \t\r\n") << "ComPort"
        << "Baud"
        << "" << 20 << "96 00";
    QTest::newRow("cut to size - 1") << QByteArray("[A]\nk=000000000000000000009600\n") << "A"
                                     << "k"
                                     << "" << 20 << "0000000000000000000";
    QTest::newRow("size 1") << settings << "ComPort"
                            << "Baud"
                            << "" << 1 << "";
    QTest::newRow("size 0") << settings << "ComPort"
                            << "Baud"
                            << "dflt" << 0 << "";
    QTest::newRow("negative size") << settings << "ComPort"
                                   << "Baud"
                                   << "" << -3 << "";
    QTest::newRow("empty value is no default") << QByteArray("[A]\nk=\n") << "A"
                                               << "k"
                                               << "x" << 20 << "";
    QTest::newRow("missing key") << settings << "ComPort"
                                 << "Stopbits"
                                 << "x" << 20 << "x";
    QTest::newRow("missing section") << settings << "Ports"
                                     << "Baud"
                                     << "x" << 20 << "x";
    QTest::newRow("key of another section") << settings << "ComPort"
                                            << "MTop"
                                            << "" << 20 << "";
    QTest::newRow("default trimmed and cut") << QByteArray() << "A"
                                             << "k"
                                             << "  abcdef  " << 4 << "abc";
    QTest::newRow("key before any section") << QByteArray("k=1\n[A]\n") << "A"
                                            << "k"
                                            << "" << 20 << "";
    QTest::newRow("first section wins") << QByteArray("[A]\nk=1\n[a]\nk=2\n") << "A"
                                        << "k"
                                        << "" << 20 << "1";
    QTest::newRow("first key wins") << QByteArray("[A]\nk=1\nK=2\n") << "A"
                                    << "k"
                                    << "" << 20 << "1";
    QTest::newRow("equals in value") << QByteArray("[A]\nk=a=b\n") << "A"
                                     << "k"
                                     << "" << 20 << "a=b";
    QTest::newRow("comment is no key") << QByteArray("[A]\n;k=9\nk=5\n") << "A"
                                       << "k"
                                       << "" << 20 << "5";
    QTest::newRow("double quotes") << QByteArray("[A]\nk=\" 5 \"\n") << "A"
                                   << "k"
                                   << "" << 20 << " 5 ";
    QTest::newRow("single quotes") << QByteArray("[A]\nk='5'\n") << "A"
                                   << "k"
                                   << "" << 20 << "5";
    QTest::newRow("unmatched quote kept") << QByteArray("[A]\nk=\"5\n") << "A"
                                          << "k"
                                          << "" << 20 << "\"5";
    QTest::newRow("Latin-1") << QByteArray("[A]\nk=\xe9\n") << "A"
                             << "k"
                             << "" << 20 << QStringLiteral(u"\u00e9");
    QTest::newRow("garbage around") << QByteArray("\x00\xff\x01\n[A]\nk=5\n\x00\x00[", 15) << "A"
                                    << "k"
                                    << "" << 20 << "5";
    QTest::newRow("section without bracket") << QByteArray("[A\nk=5\n") << "A"
                                             << "k"
                                             << "" << 20 << "5";
}

void TestIniProfile::readString()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, defaultValue);
    QFETCH(int, size);
    QFETCH(QString, expected);
    store(m_path, file);
    QCOMPARE(IniProfile(m_path).readString(section, key, defaultValue, size), expected);
}

void TestIniProfile::readMissingFile()
{
    const IniProfile profile(m_dir->filePath(QStringLiteral("none/Korvel.ini")));
    QCOMPARE(profile.readString(QStringLiteral("ComPort"), QStringLiteral("Baud"), QString(), 20), QString());
    QCOMPARE(profile.readString(QStringLiteral("ComPort"), QStringLiteral("Baud"), QStringLiteral("7"), 20),
             QStringLiteral("7"));
    // A folder where the file should be reads like a missing file.
    QCOMPARE(IniProfile(m_dir->path()).readString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("d"), 20),
             QStringLiteral("d"));
}

void TestIniProfile::writeString_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QByteArray nl = kNewline;
    QTest::newRow("new file") << false << QByteArray() << "ComPort"
                              << "Baud"
                              << " 9600"
                              << "[ComPort]" + nl + "Baud= 9600" + nl;
    QTest::newRow("empty file") << true << QByteArray() << "MTop"
                                << "MTop"
                                << " 32768"
                                << "[MTop]" + nl + "MTop= 32768" + nl;

    const QByteArray crlf =
        "; my board\r\n[ComPort]\r\nBaud= 9600\r\nPort= 1\r\nColour=blue\r\n\r\n[MTop]\r\nMTop= 5\r\n";
    QTest::newRow("value replaced in place")
        << true << crlf << "ComPort"
        << "Baud"
        << " 19200"
        << QByteArray("; my board\r\n[ComPort]\r\nBaud= 19200\r\nPort= 1\r\nColour=blue\r\n\r\n[MTop]\r\nMTop= 5\r\n");
    QTest::newRow("key added after last line of its section")
        << true << crlf << "ComPort"
        << "Stopbits"
        << " 1"
        << QByteArray("; my board\r\n[ComPort]\r\nBaud= 9600\r\nPort= 1\r\nColour=blue\r\nStopbits= 1\r\n\r\n"
                      "[MTop]\r\nMTop= 5\r\n");
    QTest::newRow("section appended with the file's line ends")
        << true << crlf << "Ports"
        << "1"
        << "/dev/ttyUSB0" << crlf + "[Ports]\r\n1=/dev/ttyUSB0\r\n";
    QTest::newRow("same value leaves file alone") << true << crlf << "MTop"
                                                  << "MTop"
                                                  << " 5" << crlf;
    QTest::newRow("case and spacing of the file kept") << true << QByteArray("[COMPORT]\n  BAUD =1\n") << "ComPort"
                                                       << "Baud"
                                                       << " 2" << QByteArray("[COMPORT]\n  BAUD = 2\n");
    QTest::newRow("first of two sections") << true << QByteArray("[A]\nk=1\n[A]\nk=2\n") << "a"
                                           << "K"
                                           << "3" << QByteArray("[A]\nk=3\n[A]\nk=2\n");
    QTest::newRow("empty section") << true << QByteArray("[A]\n[B]\n") << "A"
                                   << "k"
                                   << "1" << QByteArray("[A]\nk=1\n[B]\n");
    QTest::newRow("section on the last line without line end") << true << QByteArray("[A]") << "A"
                                                               << "k"
                                                               << "1" << QByteArray("[A]\nk=1");
    QTest::newRow("key added to last line without line end") << true << QByteArray("[A]\r\nx=1") << "A"
                                                             << "k"
                                                             << "1" << QByteArray("[A]\r\nx=1\r\nk=1");
    QTest::newRow("section added after line without line end") << true << QByteArray("[A]\nx=1") << "B"
                                                               << "k"
                                                               << "1" << QByteArray("[A]\nx=1\n[B]\nk=1\n");
    QTest::newRow("empty value") << true << QByteArray("[A]\nk=1\n") << "A"
                                 << "k"
                                 << "" << QByteArray("[A]\nk=\n");
}

void TestIniProfile::writeString()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    if (exists) store(m_path, before);
    IniProfile profile(m_path);
    QVERIFY(profile.writeString(section, key, value));
    QCOMPARE(contents(m_path), after);
    QCOMPARE(profile.readString(section, key, QStringLiteral("missing"), 200), value.trimmed());
}

void TestIniProfile::writeRefusesWhatTheFileCannotHold()
{
    const QByteArray before = "[A]\nk=1\n";
    store(m_path, before);
    IniProfile profile(m_path);
    const QString a = QStringLiteral("A");
    const QString k = QStringLiteral("k");
    QVERIFY(!profile.writeString(a, k, QStringLiteral("1\n[B]")));
    QVERIFY(!profile.writeString(a, k, QStringLiteral("1\r")));
    QVERIFY(!profile.writeString(a, QStringLiteral("k=v"), QStringLiteral("1")));
    QVERIFY(!profile.writeString(a, QStringLiteral("[B]"), QStringLiteral("1")));
    QVERIFY(!profile.writeString(QStringLiteral("A]x"), k, QStringLiteral("1")));
    QVERIFY(!profile.writeString(QString(), k, QStringLiteral("1")));
    QVERIFY(!profile.writeString(a, QStringLiteral("  "), QStringLiteral("1")));
    QVERIFY(!profile.writeString(a, QStringLiteral(u"\u20ac"), QStringLiteral("1")));
    QCOMPARE(contents(m_path), before);
}

void TestIniProfile::writeCreatesFolderAndReadsBack()
{
    const QString path = m_dir->filePath(QStringLiteral("config/korvel/Korvel.ini"));
    IniProfile writer(path);
    QVERIFY(writer.writeString(QStringLiteral("ComPort"), QStringLiteral("Baud"), QStringLiteral(" 9600")));
    QVERIFY(writer.writeString(QStringLiteral("MTop"), QStringLiteral("MTop"), QStringLiteral("-1000.25")));
    QVERIFY(writer.writeString(QStringLiteral("ComPort"), QStringLiteral("Port"), QStringLiteral(" 3")));
    const IniProfile reader(path);
    QCOMPARE(reader.readString(QStringLiteral("comport"), QStringLiteral("port"), QString(), 20), QStringLiteral("3"));
    QCOMPARE(reader.readString(QStringLiteral("MTOP"), QStringLiteral("MTOP"), QString(), 20),
             QStringLiteral("-1000.25"));
    QCOMPARE(contents(path), "[ComPort]" + kNewline + "Baud= 9600" + kNewline + "Port= 3" + kNewline + "[MTop]" +
                                 kNewline + "MTop=-1000.25" + kNewline);
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("config/korvel"))).entryList(QDir::Files),
             QStringList{QStringLiteral("Korvel.ini")});
}

void TestIniProfile::writeFailsWhenFolderCannotBeMade()
{
    store(m_dir->filePath(QStringLiteral("plain")), "not a folder");
    IniProfile profile(m_dir->filePath(QStringLiteral("plain/Korvel.ini")));
    QVERIFY(!profile.writeString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("1")));
    // A folder standing where the file should be can be neither read nor replaced.
    QVERIFY(!IniProfile(m_dir->path()).writeString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("1")));
}

void TestIniProfile::writeFailsOnFullDiskKeepingOldFile()
{
#ifdef Q_OS_UNIX
    // A file size limit fails the write the way a full disk does, and works for root too.
    const QByteArray before = "[ComPort]\nBaud= 9600\n" + QByteArray(4000, ';') + "\n";
    store(m_path, before);
    struct rlimit old
    {
    };
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = IniProfile(m_path).writeString(QStringLiteral("ComPort"), QStringLiteral("Port"),
                                                        QString(200, QLatin1Char('1')));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!written);
    QCOMPARE(contents(m_path), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Korvel.ini")});
#else
    QSKIP("needs a file size limit");
#endif
}

void TestIniProfile::writeFailsInReadOnlyFolder()
{
    const QByteArray before = "[ComPort]\r\nBaud= 9600\r\n";
    store(m_path, before);
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool canStillWrite = QFile(m_dir->filePath(QStringLiteral("probe"))).open(QIODevice::WriteOnly);
    const bool written =
        IniProfile(m_path).writeString(QStringLiteral("ComPort"), QStringLiteral("Baud"), QStringLiteral(" 300"));
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (canStillWrite) QSKIP("running with rights that ignore folder permissions (root)");
    QVERIFY(!written);
    QCOMPARE(contents(m_path), before);
}

void TestIniProfile::largeAndBinaryFiles()
{
    // 10 MB of random bytes (NUL included) and a 100,000-character value: must stay linear.
    QByteArray noise(10 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator random(7);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    noise.replace('[', '(');
    const QByteArray longValue(100000, '7');
    store(m_path, noise + "\n[ComPort]\nBaud=" + longValue + "\nPort= 1\n");

    IniProfile profile(m_path);
    QCOMPARE(profile.readString(QStringLiteral("ComPort"), QStringLiteral("Baud"), QString(), 20), QString(19, '7'));
    QVERIFY(profile.writeString(QStringLiteral("ComPort"), QStringLiteral("Baud"), QStringLiteral(" 9600")));
    QVERIFY(profile.writeString(QStringLiteral("MTop"), QStringLiteral("MTop"), QStringLiteral(" 32768")));
    const QByteArray after = contents(m_path);
    QVERIFY(after == noise + "\n[ComPort]\nBaud= 9600\nPort= 1\n[MTop]\nMTop= 32768\n");
}

void TestIniProfile::manyLinesWithoutBracketOrEquals()
{
    // Each line must be searched for "]" and "=" within itself only, or these take minutes.
    QByteArray unclosed;
    for (int i = 0; i < 500000; ++i)
        unclosed += "[unclosed section name\n";
    QByteArray comments;
    for (int i = 0; i < 300000; ++i)
        comments += "a comment without an equals sign\n";
    store(m_path, unclosed + "[ComPort]\n" + comments + "Baud= 300\n");

    IniProfile profile(m_path);
    QCOMPARE(profile.readString(QStringLiteral("ComPort"), QStringLiteral("Baud"), QString(), 20),
             QStringLiteral("300"));
    QVERIFY(profile.writeString(QStringLiteral("ComPort"), QStringLiteral("Port"), QStringLiteral(" 1")));
    QVERIFY(contents(m_path).endsWith("Baud= 300\nPort= 1\n"));
}

void TestIniProfile::defaultPathFollowsConfigHome()
{
#ifdef Q_OS_LINUX
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
    const QString path = IniProfile::defaultPath();
    qputenv("XDG_CONFIG_HOME", old);
    QCOMPARE(path, m_dir->path() + QStringLiteral("/Korvel.ini"));
#else
    QVERIFY(IniProfile::defaultPath().endsWith(QStringLiteral("/Korvel.ini")));
#endif
}

QTEST_GUILESS_MAIN(TestIniProfile)
#include "tst_iniprofile.moc"
