// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings.h"

#include "board/programupload.h"
#include "fakes.h"

#include <QTest>

namespace {

// Logs each read into the line's own call list, so that one list shows reads and settings interleaved.
class InterleavedProfile : public FakeProfile
{
public:
    explicit InterleavedProfile(FakeSerialLine& line) : m_line(line) {}
    QString readString(const QString& section, const QString& key, const QString& defaultValue, int size) const override
    {
        m_line.calls.append(QStringLiteral("read %1/%2 (%3)").arg(section, key).arg(size));
        return FakeProfile::readString(section, key, defaultValue, size);
    }

private:
    FakeSerialLine& m_line;
};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void loadOrder();
    void loadSerialValue_data();
    void loadSerialValue();
    void loadMTop_data();
    void loadMTop();
    void saveOrderAndTexts_data();
    void saveOrderAndTexts();
    void saveTriesEveryValueAndReportsFailure();
    void saveThenLoadGivesSameValues();
    void pacing_data();
    void pacing();
};

void TestSettings::loadOrder()
{
    FakeSerialLine line;
    InterleavedProfile profile(line);
    profile.set(QStringLiteral("comport"), QStringLiteral("baud"), QStringLiteral(" 9600"));
    profile.set(QStringLiteral("ComPort"), QStringLiteral("Databits"), QStringLiteral(" 8"));
    profile.set(QStringLiteral("ComPort"), QStringLiteral("Stopbits"), QStringLiteral(" 1"));
    profile.set(QStringLiteral("ComPort"), QStringLiteral("Port"), QStringLiteral(" 2"));
    profile.set(QStringLiteral("MTop"), QStringLiteral("MTop"), QStringLiteral(" 24576"));

    QCOMPARE(SettingsFile(profile).load(line), 24576.0);
    const QStringList expected{
        QStringLiteral("read ComPort/Baud (20)"),     QStringLiteral("baud=9600"),
        QStringLiteral("read ComPort/Databits (20)"), QStringLiteral("databits=8"),
        QStringLiteral("read ComPort/Stopbits (20)"), QStringLiteral("stopbits=1"),
        QStringLiteral("read ComPort/Port (20)"),     QStringLiteral("port=2"),
        QStringLiteral("read MTop/MTop (20)"),
    };
    QCOMPARE(line.calls, expected);
    QVERIFY(!line.isOpen());
}

void TestSettings::loadSerialValue_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");

    QTest::newRow("as written") << " 9600" << 9600;
    QTest::newRow("inner blank") << "96 00" << 9600;
    QTest::newRow("comma ends the number") << "1,5" << 1;
    QTest::newRow("1.5 to even") << "1.5" << 2;
    QTest::newRow("2.5 to even") << "2.5" << 2;
    QTest::newRow("3.5 to even") << "3.5" << 4;
    QTest::newRow("1.4") << "1.4" << 1;
    QTest::newRow("negative") << "-5" << -5;
    QTest::newRow("number then text") << "19200 baud" << 19200;
    QTest::newRow("hex") << "&H2580" << 9600;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("text") << "fast" << 0;
    QTest::newRow("19 characters kept") << "0000000000000009600" << 9600;
    QTest::newRow("cut after 19 characters") << "000000000000000000009600" << 0;
    QTest::newRow("outside 4 bytes") << "2147483648" << 0;
    QTest::newRow("overflowing exponent") << "1E400" << 0;
}

void TestSettings::loadSerialValue()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);
    FakeSerialLine line;
    FakeProfile profile;
    profile.set(QStringLiteral("ComPort"), QStringLiteral("Baud"), stored);
    profile.set(QStringLiteral("ComPort"), QStringLiteral("Stopbits"), stored);
    SettingsFile(profile).load(line);
    QCOMPARE(line.baudRate(), expected);
    QCOMPARE(line.stopBits(), expected);
    // The keys left out of the file read as 0.
    QCOMPARE(line.dataBits(), 0);
    QCOMPARE(line.portNumber(), 0);
}

void TestSettings::loadMTop_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<double>("expected");

    QTest::newRow("missing") << false << "" << 32768.0;
    QTest::newRow("empty") << true << "" << 32768.0;
    QTest::newRow("zero") << true << " 0" << 32768.0;
    QTest::newRow("text") << true << "top" << 32768.0;
    QTest::newRow("overflow") << true << "1E400" << 32768.0;
    QTest::newRow("plain") << true << " 65535" << 65535.0;
    QTest::newRow("negative kept") << true << "-100" << -100.0;
    QTest::newRow("fraction kept") << true << " 1000.25" << 1000.25;
    QTest::newRow("half not rounded") << true << " 2.5" << 2.5;
}

void TestSettings::loadMTop()
{
    QFETCH(bool, present);
    QFETCH(QString, stored);
    QFETCH(double, expected);
    FakeSerialLine line;
    FakeProfile profile;
    if (present) profile.set(QStringLiteral("MTop"), QStringLiteral("MTop"), stored);
    QCOMPARE(SettingsFile(profile).load(line), expected);
}

void TestSettings::saveOrderAndTexts_data()
{
    QTest::addColumn<QList<int>>("serial"); // baud, data bits, stop bits, port
    QTest::addColumn<double>("mtop");
    QTest::addColumn<QStringList>("writes");

    QTest::newRow("usual") << QList<int>{9600, 8, 1, 2} << 32768.0
                           << QStringList{"ComPort/Baud= 9600", "ComPort/Databits= 8", "ComPort/Stopbits= 1",
                                          "ComPort/Port= 2", "MTop/MTop= 32768"};
    QTest::newRow("zeros from a missing file")
        << QList<int>{0, 0, 0, 0} << 32768.0
        << QStringList{"ComPort/Baud= 0", "ComPort/Databits= 0", "ComPort/Stopbits= 0", "ComPort/Port= 0",
                       "MTop/MTop= 32768"};
    QTest::newRow("negatives and a fraction")
        << QList<int>{-1, 7, 2, 2147483647} << -1000.25
        << QStringList{"ComPort/Baud=-1", "ComPort/Databits= 7", "ComPort/Stopbits= 2", "ComPort/Port= 2147483647",
                       "MTop/MTop=-1000.25"};
}

void TestSettings::saveOrderAndTexts()
{
    QFETCH(QList<int>, serial);
    QFETCH(double, mtop);
    QFETCH(QStringList, writes);
    FakeSerialLine line;
    line.setBaudRate(serial[0]);
    line.setDataBits(serial[1]);
    line.setStopBits(serial[2]);
    line.setPortNumber(serial[3]);
    // The port is stored as chosen, also when it could not be opened and reads back 0.
    line.m_portReadBack = [](int) { return 0; };
    line.calls.clear();
    FakeProfile profile;
    QVERIFY(SettingsFile(profile).save(line, mtop));
    QCOMPARE(profile.writes, writes);
    // Saving only reads the line: it is neither opened nor changed.
    QVERIFY(line.calls.isEmpty());
}

void TestSettings::saveTriesEveryValueAndReportsFailure()
{
    FakeSerialLine line;
    FakeProfile profile;
    profile.failWrites = true;
    QVERIFY(!SettingsFile(profile).save(line, 32768.0));
    QCOMPARE(profile.writes.size(), 5);
}

void TestSettings::saveThenLoadGivesSameValues()
{
    FakeSerialLine before;
    before.setBaudRate(115200);
    before.setDataBits(7);
    before.setStopBits(2);
    before.setPortNumber(6);
    FakeProfile profile;
    QVERIFY(SettingsFile(profile).save(before, 0.1));

    FakeSerialLine after;
    QCOMPARE(SettingsFile(profile).load(after), 0.1);
    QCOMPARE(after.baudRate(), 115200);
    QCOMPARE(after.dataBits(), 7);
    QCOMPARE(after.stopBits(), 2);
    QCOMPARE(after.portNumber(), 6);
}

void TestSettings::pacing_data()
{
    QTest::addColumn<QString>("stored"); // null: no key
    QTest::addColumn<bool>("prompt");
    QTest::newRow("Prompt") << "Prompt" << true;
    QTest::newRow("blanks and capitals") << " PROMPT " << true;
    QTest::newRow("Fixed") << "Fixed" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("missing") << QString() << false;
    QTest::newRow("longer word") << "promptly" << false;
}

void TestSettings::pacing()
{
    QFETCH(QString, stored);
    QFETCH(bool, prompt);
    FakeProfile profile;
    if (!stored.isNull()) profile.set(QStringLiteral("upload"), QStringLiteral("pacing"), stored);
    SettingsFile settings(profile);
    const Pacing pacing = settings.pacing();
    QCOMPARE(pacing == Pacing::Prompt, prompt);
    QVERIFY(settings.savePacing(pacing));
    QCOMPARE(profile.writes, QStringList{prompt ? "Upload/Pacing=Prompt" : "Upload/Pacing=Fixed"});
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
