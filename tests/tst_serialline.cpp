// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"
#include "testhelpers.h"

#include "platform/portmap.h"
#include "platform/qtserialline.h"
#include "platform/readrest.h"
#include "simulator/simulatedboard.h"
#include "simulator/switchingline.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

Q_DECLARE_METATYPE(SerialDevice)

namespace {

const QString kSignOn =
    QStringLiteral("\r\n*SIMULATED BOARD* choose a serial port under Settings, ComPort\r\nREADY\r\n>");

// A pseudo-terminal owned by the test: the line opens the slave path, the test plays the board on
// the master. A second slave descriptor stays open so the master never reads EIO between opens,
// and lets the test read the settings the line gave the terminal.
class Pty
{
public:
    Pty()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) return;
        m_path = QString::fromLocal8Bit(::ptsname(m_master));
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
        termios raw{};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
    }
    ~Pty()
    {
        closeSlave();
        closeMaster();
    }
    bool isValid() const { return m_master >= 0 && m_slave >= 0; }
    QString path() const { return m_path; }
    int master() const { return m_master; }
    termios settings() const
    {
        termios t{};
        ::tcgetattr(m_slave, &t);
        return t;
    }
    void write(const QByteArray& bytes) { QCOMPARE(::write(m_master, bytes.constData(), bytes.size()), bytes.size()); }
    QByteArray readAvailable()
    {
        char buffer[4096];
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        return got > 0 ? QByteArray(buffer, got) : QByteArray();
    }
    void closeSlave()
    {
        if (m_slave >= 0) ::close(m_slave);
        m_slave = -1;
    }
    void closeMaster()
    {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

QString joined(const QSignalSpy& spy)
{
    QString text;
    for (const QList<QVariant>& arguments : spy)
        text += arguments.at(0).toString();
    return text;
}

// Waits on real events until the received text ends as expected.
bool receiveUntilEndsWith(QSignalSpy& spy, const QString& tail)
{
    while (!joined(spy).endsWith(tail)) {
        if (!spy.wait(5000)) return false;
    }
    return true;
}

} // namespace

class TestSerialLine : public QObject
{
    Q_OBJECT
private slots:
    void settingsAndFallbacks_data();
    void settingsAndFallbacks();
    void portMap_data();
    void portMap();
    void portOrder();
    void portThatCannotBeOpened_data();
    void portThatCannotBeOpened();
    void readRest_data();
    void readRest();
    void ptyRoundTrip();
    void ptyVanishing();
    void reconnect_data();
    void reconnect();
    void sameDevice_data();
    void sameDevice();
    void simulatedBoardOnPortZero();
    void switchingBetweenBoardAndPort();
    void simulatedBoardBusy_data();
    void simulatedBoardBusy();
    void simulatedBoardCtrlC();
    void endToEndThroughBoardTool();
};

void TestSerialLine::settingsAndFallbacks_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("openBaud");
    QTest::addColumn<int>("openDataBits");
    QTest::addColumn<int>("openStopBits");

    QTest::newRow("missing settings file: all 0") << 0 << 0 << 0 << 9600 << 8 << 1;
    QTest::newRow("usable") << 19200 << 7 << 2 << 19200 << 7 << 2;
    QTest::newRow("smallest data bits") << 4800 << 5 << 1 << 4800 << 5 << 1;
    QTest::newRow("negative and out of range") << -300 << 4 << 3 << 9600 << 8 << 1;
    QTest::newRow("nine data bits") << 2400 << 9 << 2 << 2400 << 8 << 2;
}

void TestSerialLine::settingsAndFallbacks()
{
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(int, openBaud);
    QFETCH(int, openDataBits);
    QFETCH(int, openStopBits);

    Pty pty;
    QVERIFY(pty.isValid());
    FakeProfile profile;
    profile.set(QStringLiteral("Ports"), QStringLiteral("1"), pty.path());
    QtSerialLine line(profile, [] { return QStringList(); });
    QSignalSpy problems(&line, &SerialLine::problem);

    line.setBaudRate(baud);
    line.setDataBits(dataBits);
    line.setStopBits(stopBits);
    line.setPortNumber(1);
    line.open();
    QVERIFY2(line.isOpen(), qPrintable(joined(problems)));

    // A pseudo-terminal always keeps 8 data bits, so those are checked at QSerialPort; speed and
    // stop bits are checked where they end up, in the terminal's settings.
    const auto* port = line.findChild<QSerialPort*>();
    QVERIFY(port);
    QCOMPARE(port->baudRate(), openBaud);
    QCOMPARE(int(port->dataBits()), openDataBits);
    QCOMPARE(int(port->stopBits()), openStopBits);
    QCOMPARE(port->parity(), QSerialPort::NoParity);
    const termios t = pty.settings();
    const speed_t expectedSpeed = openBaud == 9600    ? B9600
                                  : openBaud == 19200 ? B19200
                                  : openBaud == 4800  ? B4800
                                                      : B2400;
    QCOMPARE(cfgetospeed(&t), expectedSpeed);
    QCOMPARE(bool(t.c_cflag & CSTOPB), openStopBits == 2);

    // What was written reads back unchanged, usable or not.
    QCOMPARE(line.baudRate(), baud);
    QCOMPARE(line.dataBits(), dataBits);
    QCOMPARE(line.stopBits(), stopBits);
    QCOMPARE(line.portNumber(), 1);
    QCOMPARE(problems.count(), 0);
}

void TestSerialLine::portMap_data()
{
    QTest::addColumn<QStringList>("ports");  // "key=value" lines of section Ports
    QTest::addColumn<QStringList>("system"); // the system's list, in order
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");

    const QStringList system{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyS0")};
    QTest::newRow("first of the list") << QStringList() << system << 1 << QStringLiteral("/dev/ttyUSB0");
    QTest::newRow("second of the list") << QStringList() << system << 2 << QStringLiteral("/dev/ttyS0");
    QTest::newRow("past the list") << QStringList() << system << 3 << QString();
    QTest::newRow("key wins over the list")
        << QStringList{QStringLiteral("2=/tmp/board")} << system << 2 << QStringLiteral("/tmp/board");
    QTest::newRow("key past the list") << QStringList{QStringLiteral("7=/dev/pts/9")} << system << 7
                                       << QStringLiteral("/dev/pts/9");
    QTest::newRow("blank key falls back")
        << QStringList{QStringLiteral("1=   ")} << system << 1 << QStringLiteral("/dev/ttyUSB0");
    QTest::newRow("other key no help") << QStringList{QStringLiteral("1=/tmp/a")} << QStringList() << 2 << QString();
    QTest::newRow("port 0 is the simulated board")
        << QStringList{QStringLiteral("0=/tmp/a")} << system << 0 << QString();
    QTest::newRow("negative port") << QStringList() << system << -1 << QString();
}

void TestSerialLine::portMap()
{
    QFETCH(QStringList, ports);
    QFETCH(QStringList, system);
    QFETCH(int, port);
    QFETCH(QString, device);

    FakeProfile profile;
    for (const QString& entry : ports)
        profile.set(QStringLiteral("Ports"), entry.section(u'=', 0, 0), entry.section(u'=', 1));
    QtSerialLine line(profile, [system] { return system; });
    QCOMPARE(line.deviceForPort(port), device);
}

void TestSerialLine::portOrder()
{
    QList<SerialDevice> found;
    for (const char* node : {"ttyS10", "ttyS2", "ttyUSB1", "ttyACM0", "ttyS0", "ttyUSB0"}) {
        SerialDevice device = SerialDevice::at(QStringLiteral("/dev/") + QLatin1String(node));
        device.usb = !device.path.contains(QLatin1String("ttyS"));
        found.append(device);
    }
    QStringList paths;
    for (const SerialDevice& device : PortMap::ordered(found))
        paths.append(device.path);
    QCOMPARE(paths,
             (QStringList{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10"}));
}

void TestSerialLine::portThatCannotBeOpened_data()
{
    QTest::addColumn<QString>("device"); // key 3 of section Ports, none when empty
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing device") << QStringLiteral("/nonexistent/ttyUSB2") << 3
                                    << QStringLiteral("Port 3 (/nonexistent/ttyUSB2) cannot be opened: "
                                                      "No such file or directory");
    QTest::newRow("not a terminal") << QStringLiteral("/dev/null") << 3
                                    << QStringLiteral("Port 3 (/dev/null) cannot be opened: "
                                                      "Inappropriate ioctl for device");
    QTest::newRow("no device at all") << QString() << 4
                                      << QStringLiteral("Port 4 cannot be opened: there is no such port");
    QTest::newRow("negative port") << QString() << -2
                                   << QStringLiteral("Port -2 cannot be opened: there is no such port");
    QTest::newRow("permission denied") << QStringLiteral("<unreadable>") << 3
                                       << QStringLiteral("Port 3 (%1) cannot be opened: Permission denied; add your "
                                                         "user to the dialout group (sudo usermod -aG dialout $USER), "
                                                         "then log in again");
}

void TestSerialLine::portThatCannotBeOpened()
{
    QFETCH(QString, device);
    QFETCH(int, port);
    QFETCH(QString, message);

    QTemporaryDir dir;
    if (device == QLatin1String("<unreadable>")) {
        if (::geteuid() == 0) QSKIP("root opens any file");
        device = dir.filePath(QStringLiteral("ttyUSB9"));
        QVERIFY(writeFile(device, QByteArray()));
        QVERIFY(QFile::setPermissions(device, QFileDevice::Permissions()));
        message = message.arg(device);
    }
    FakeProfile profile;
    if (!device.isEmpty()) profile.set(QStringLiteral("Ports"), QStringLiteral("3"), device);
    QtSerialLine line(profile, [] { return QStringList{QStringLiteral("/nonexistent/ttyS0")}; });
    QSignalSpy problems(&line, &SerialLine::problem);
    QSignalSpy received(&line, &SerialLine::received);

    line.setPortNumber(port);
    line.open();
    QCOMPARE(problems.count(), 1);
    QCOMPARE(problems.at(0).at(0).toString(), message);
    QVERIFY(!line.isOpen());
    // The probe's read-back says "failed"; the choice stays for Exit and the settings dialog.
    QCOMPARE(line.portNumber(), 0);
    QCOMPARE(line.chosenPort(), port);
    line.sendLine(QStringLiteral("LIST\r\n"));
    QCoreApplication::processEvents();
    QCOMPARE(received.count(), 0);
    QCOMPARE(problems.count(), 1);
    QCOMPARE(line.portNumber(), 0);

    line.setPortNumber(port);
    QCOMPARE(line.portNumber(), port);
}

void TestSerialLine::readRest_data()
{
    // A first small read starts a rest at 0; then `reads` come in that order, `afterUs` later.
    QTest::addColumn<QList<int>>("reads");
    QTest::addColumn<int>("afterUs");
    QTest::addColumn<int>("restMs"); // -1: none, read again at once

    // 115200 baud brings about 230 bytes in 20 ms.
    QTest::newRow("trickle rests the longest") << QList<int>{230} << 20000 << 20;
    QTest::newRow("first bytes after a quiet spell") << QList<int>{1} << 5000000 << 20;
    QTest::newRow("a large read means more is waiting") << QList<int>{4095} << 20000 << -1;
    // 8 KiB in 10 ms is 800 KB/s: the next rest lets kGather gather, no more.
    QTest::newRow("fast stream rests less") << QList<int>{4095, 4000, 97} << 10000 << 10;
    QTest::newRow("rate counts every read since the rest") << QList<int>{4095, 4095, 2} << 4000 << 4;
    // A pseudo-terminal full to the brim after a rest: the writer waited, so rest the least.
    QTest::newRow("full port rests the shortest") << QList<int>{4095, 4095, 4095, 4095, 4095, 344} << 1000 << 1;
    QTest::newRow("empty read after a rest") << QList<int>{0} << 20000 << 20;
}

void TestSerialLine::readRest()
{
    QFETCH(QList<int>, reads);
    QFETCH(int, afterUs);
    QFETCH(int, restMs);

    using namespace std::chrono;
    const auto inMs = [](std::optional<milliseconds> rest) { return rest ? int(rest->count()) : -1; };
    ReadRest rule;
    const ReadRest::Clock::time_point start{};
    QCOMPARE(inMs(rule.afterRead(1, start)), 20);
    const auto now = start + microseconds(afterUs);
    std::optional<milliseconds> rest;
    for (const int bytes : reads)
        rest = rule.afterRead(bytes, now);
    QCOMPARE(inMs(rest), restMs);

    // A reset forgets the rate: the next small read rests the longest again.
    rule.reset();
    QCOMPARE(inMs(rule.afterRead(100, now + microseconds(100))), 20);
}

void TestSerialLine::ptyRoundTrip()
{
    // Said when a Qt update has moved QSerialPort's read notifier out of reach.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("read notifier")));
    Pty pty;
    QVERIFY(pty.isValid());
    FakeProfile profile;
    profile.set(QStringLiteral("Ports"), QStringLiteral("1"), pty.path());
    QtSerialLine line(profile, [] { return QStringList(); });
    QSignalSpy problems(&line, &SerialLine::problem);
    QSignalSpy received(&line, &SerialLine::received);
    line.setPortNumber(1);
    line.open();
    QVERIFY(line.isOpen());

    // Every character one byte: Latin-1 passes, the euro sign does not fit and goes as "?".
    QSocketNotifier masterReadable(pty.master(), QSocketNotifier::Read);
    QSignalSpy readable(&masterReadable, &QSocketNotifier::activated);
    line.sendLine(QStringLiteral("10 ?\"\u00e9\u20ac\"\r"));
    QByteArray atBoard;
    while (atBoard.size() < 9) {
        QVERIFY(readable.wait(5000));
        atBoard += pty.readAvailable();
    }
    QCOMPARE(atBoard, QByteArray("10 ?\"\xe9?\"\r"));

    pty.write(QByteArray("READY\r\n>\xff"));
    QVERIFY(receiveUntilEndsWith(received, QStringLiteral("READY\r\n>\u00ff")));
    QCOMPARE(joined(received), QStringLiteral("READY\r\n>\u00ff"));
    // A small read rests the read notifier, and the rest ends by itself: more bytes come through.
    QSocketNotifier* notifier = line.readNotifier();
    QVERIFY(notifier);
    QVERIFY(!notifier->isEnabled());
    pty.write(QByteArray("more"));
    QVERIFY(receiveUntilEndsWith(received, QStringLiteral(">\u00ffmore")));
    // A pseudo-terminal refuses the modem-line calls; that must not count against the line.
    QVERIFY(line.isOpen());
    QCOMPARE(problems.count(), 0);

    line.close();
    QVERIFY(!line.isOpen());
    line.sendLine(QStringLiteral("lost\r"));
    QCOMPARE(pty.readAvailable(), QByteArray());
}

void TestSerialLine::ptyVanishing()
{
    auto pty = std::make_unique<Pty>();
    QVERIFY(pty->isValid());
    const QString path = pty->path();
    FakeProfile profile;
    profile.set(QStringLiteral("Ports"), QStringLiteral("2"), path);
    QtSerialLine line(profile, [] { return QStringList(); });
    QSignalSpy problems(&line, &SerialLine::problem);
    line.setPortNumber(2);
    line.open();
    QVERIFY(line.isOpen());
    auto* port = line.findChild<QSerialPort*>();
    QVERIFY(port);
    QSignalSpy portErrors(port, &QSerialPort::errorOccurred);

    // The other end goes away: the line's next read fails for good.
    pty.reset();
    QVERIFY(problems.wait(5000));
    QCOMPARE(problems.count(), 1);
    QVERIFY2(problems.at(0).at(0).toString().startsWith(QStringLiteral("Port 2 (%1) was lost: ").arg(path)),
             qPrintable(problems.at(0).at(0).toString()));
    QVERIFY(!line.isOpen());

    // Once the deferred close has run, the port is shut and reports nothing more: no busy loop.
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    QVERIFY(!port->isOpen());
    const auto errorsAfterClose = portErrors.count();
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    QCOMPARE(portErrors.count(), errorsAfterClose);
    QCOMPARE(problems.count(), 1);
    QCOMPARE(line.portNumber(), 2);
    line.sendLine(QStringLiteral("x"));
}

void TestSerialLine::reconnect_data()
{
    QTest::addColumn<bool>("presentAtFirst"); // else the first open fails
    QTest::addColumn<bool>("bySerial");       // back under another name, known by its serial number
    QTest::addColumn<bool>("fileSystemWatch");
    QTest::addColumn<QString>("folder"); // of the link; goes and comes with it unless empty
    QTest::newRow("lost, link back at the same path") << true << false << true << QString();
    QTest::newRow("lost, same serial number, another name") << true << true << true << QString();
    QTest::newRow("lost, no file-system watch: a look once a second") << true << false << false << QString();
    QTest::newRow("not there at first") << false << false << true << QString();
    QTest::newRow("lost with the folder of its link") << true << false << true << QStringLiteral("serial/by-id");
}

void TestSerialLine::reconnect()
{
    QFETCH(bool, presentAtFirst);
    QFETCH(bool, bySerial);
    QFETCH(bool, fileSystemWatch);
    QFETCH(QString, folder);
    QTemporaryDir dir;
    const QString link = dir.filePath(folder.isEmpty() ? QStringLiteral("board") : folder + QStringLiteral("/board"));
    const auto unplug = [&] {
        QFile::remove(link);
        if (!folder.isEmpty()) QDir(dir.filePath(folder.section(u'/', 0, 0))).removeRecursively();
    };
    auto pty = std::make_unique<Pty>();
    QVERIFY(pty->isValid() && QDir(dir.path()).mkpath(QFileInfo(link).path()) && QFile::link(pty->path(), link));
    FakeProfile profile;
    profile.set(QStringLiteral("Ports"), QStringLiteral("1"), link);
    // The node as udev would list an adapter; a pseudo-terminal has no serial number of its own.
    const auto adapterAt = [](const QString& node) {
        SerialDevice device = SerialDevice::at(node);
        device.serialNumber = QStringLiteral("A50285BI");
        return device;
    };
    FakeSerialDevices devices;
    if (bySerial) devices.devices = {adapterAt(pty->path())};
    QtSerialLine line(profile, devices);
    line.watch().setFileSystemWatchAllowed(fileSystemWatch);
    QSignalSpy problems(&line, &SerialLine::problem);
    QSignalSpy opened(&line, &SerialLine::opened);
    QSignalSpy received(&line, &SerialLine::received);
    line.setBaudRate(19200);
    line.setPortNumber(1);
    if (presentAtFirst) {
        line.open();
        QVERIFY(line.isOpen());
        QVERIFY(!line.isWatching());
        // The line learns the device's serial number in the event loop right after it opens.
        QCoreApplication::processEvents();
        // Unplugged: the device and its link go.
        pty.reset();
        unplug();
        QVERIFY(problems.wait(5000));
    } else {
        pty.reset();
        unplug();
        line.open();
        QCOMPARE(problems.count(), 1);
    }
    QVERIFY(!line.isOpen());
    QVERIFY(line.isWatching());
    QCOMPARE(line.watch().folders().contains(dir.path()), fileSystemWatch);
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    QCOMPARE(line.watchWakeups(), 0u);

    // Plugged in again, under the same link or (known by its serial number) under another.
    QElapsedTimer away;
    away.start();
    pty = std::make_unique<Pty>();
    QVERIFY(pty->isValid());
    if (bySerial) devices.devices = {adapterAt(pty->path())};
    QVERIFY(QDir(dir.path()).mkpath(QFileInfo(link).path()));
    QVERIFY(QFile::link(pty->path(), bySerial ? dir.filePath(QStringLiteral("board-2")) : link));
    QVERIFY(opened.wait(5000));
    QCOMPARE(opened.last().at(0).toString(), QStringLiteral("Port 1 (%1) is back").arg(bySerial ? pty->path() : link));
    QVERIFY(line.isOpen());
    QVERIFY(!line.isWatching());
    QCOMPARE(problems.count(), 1);
    // One wakeup per change in the folder, or one a second where only the timer looks.
    const quint64 wakeups = line.watchWakeups();
    QVERIFY(wakeups >= 1);
    QVERIFY2(wakeups <= (fileSystemWatch ? 2 : quint64(away.elapsed() / 1000 + 1)),
             qPrintable(QString::number(wakeups)));
    const termios settings = pty->settings();
    QCOMPARE(cfgetospeed(&settings), speed_t(B19200));

    // Open again, the line costs no wakeup while it works.
    line.sendLine(QStringLiteral("x"));
    pty->write(QByteArray("READY\r\n>"));
    QVERIFY(receiveUntilEndsWith(received, QStringLiteral("READY\r\n>")));
    QCOMPARE(line.watchWakeups(), wakeups);
}

void TestSerialLine::sameDevice_data()
{
    QTest::addColumn<QList<SerialDevice>>("present");
    QTest::addColumn<SerialDevice>("was");
    QTest::addColumn<QString>("found"); // its node; empty for none

    const auto device = [](const char* node, const char* serial, const char* stableName = "") {
        SerialDevice d = SerialDevice::at(QStringLiteral("/dev/") + QLatin1String(node));
        d.serialNumber = QLatin1String(serial);
        if (*stableName) d.stableName = QStringLiteral("/dev/serial/by-id/") + QLatin1String(stableName);
        return d;
    };
    const QString none;
    QTest::newRow("same node, same serial")
        << QList{device("ttyUSB0", "A1")} << device("ttyUSB0", "A1") << "/dev/ttyUSB0";
    QTest::newRow("another node, same serial")
        << QList{device("ttyS0", ""), device("ttyUSB1", "A1")} << device("ttyUSB0", "A1") << "/dev/ttyUSB1";
    QTest::newRow("another adapter at the old node")
        << QList{device("ttyUSB0", "B2")} << device("ttyUSB0", "A1") << none;
    QTest::newRow("stable name picks the port of a two-port adapter")
        << QList{device("ttyUSB2", "D1", "usb-if01"), device("ttyUSB3", "D1", "usb-if00")}
        << device("ttyUSB0", "D1", "usb-if00") << "/dev/ttyUSB3";
    QTest::newRow("only the other port of that adapter")
        << QList{device("ttyUSB2", "D1", "usb-if01")} << device("ttyUSB0", "D1", "usb-if00") << none;
    QTest::newRow("stable name without a serial number")
        << QList{device("ttyUSB4", "", "usb-Prolific")} << device("ttyUSB0", "", "usb-Prolific") << "/dev/ttyUSB4";
    QTest::newRow("one serial twice: the old node")
        << QList{device("ttyUSB4", "D1"), device("ttyUSB5", "D1")} << device("ttyUSB5", "D1") << "/dev/ttyUSB5";
    QTest::newRow("one serial twice, both elsewhere")
        << QList{device("ttyUSB4", "D1"), device("ttyUSB5", "D1")} << device("ttyUSB0", "D1") << none;
    QTest::newRow("nothing to know it by") << QList{device("ttyUSB0", "")} << device("ttyUSB0", "") << none;
}

void TestSerialLine::sameDevice()
{
    QFETCH(QList<SerialDevice>, present);
    QFETCH(SerialDevice, was);
    QFETCH(QString, found);
    const auto same = PortMap::findSame(present, was);
    QCOMPARE(same ? same->path : QString(), found);
}

void TestSerialLine::simulatedBoardOnPortZero()
{
    FakeProfile profile;
    QtSerialLine serialPort(profile, [] { return QStringList(); });
    SwitchingLine line(serialPort);
    QSignalSpy received(&line, &SerialLine::received);
    QSignalSpy problems(&line, &SerialLine::problem);
    QSignalSpy opened(&line, &SerialLine::opened);
    line.setPortNumber(0);
    line.open();
    QVERIFY(line.isOpen());
    QCOMPARE(opened.count(), 1);
    QCOMPARE(line.portNumber(), 0);
    QCOMPARE(line.portLabel(), QStringLiteral("port 0 (the simulated board)"));
    QCOMPARE(received.count(), 0); // never inside the call

    QVERIFY(receiveUntilEndsWith(received, QStringLiteral("READY\r\n>")));
    QCOMPARE(joined(received), kSignOn);
    QVERIFY(received.count() >= 2); // up to 64 bytes a chunk

    received.clear();
    line.sendLine(QStringLiteral("10 print 1\r"));
    line.sendLine(QStringLiteral("?\u20ac\r\n"));
    QCOMPARE(received.count(), 0);
    QVERIFY(receiveUntilEndsWith(received, QStringLiteral("READY\r\n>")));
    QCOMPARE(joined(received), QStringLiteral("10 print 1\r\n>?\?\r\n\r\n\r\nERROR: BAD SYNTAX\r\nREADY\r\n>"));
    QCOMPARE(problems.count(), 0);

    // Closing drops what the board still had to say, and a closed line sends nothing.
    line.sendLine(QStringLiteral("list\r"));
    line.close();
    line.sendLine(QStringLiteral("list\r"));
    received.clear();
    QCoreApplication::processEvents();
    QCOMPARE(received.count(), 0);

    // The board keeps its program across a close, as its RAM would.
    line.open();
    QVERIFY(receiveUntilEndsWith(received, kSignOn));
    line.sendLine(QStringLiteral("list\r"));
    QVERIFY(receiveUntilEndsWith(received, QStringLiteral("10     PRINT 1\r\n\r\nREADY\r\n>")));
}

void TestSerialLine::switchingBetweenBoardAndPort()
{
    // The window's one line goes from the board to a real port and back, as Settings, ComPort does.
    Pty pty;
    QVERIFY(pty.isValid());
    FakeProfile profile;
    profile.set(QStringLiteral("Ports"), QStringLiteral("1"), pty.path());
    QtSerialLine serialPort(profile, [] { return QStringList(); });
    SwitchingLine line(serialPort);
    QSignalSpy received(&line, &SerialLine::received);
    QSignalSpy problems(&line, &SerialLine::problem);
    line.setBaudRate(19200);
    line.setPortNumber(0);
    line.open();
    line.sendLine(QStringLiteral("10 print 2\r"));
    QVERIFY(receiveUntilEndsWith(received, QStringLiteral("10 print 2\r\n>")));

    line.close();
    line.setPortNumber(1);
    line.open();
    QVERIFY(line.isOpen() && serialPort.isOpen());
    QCOMPARE(line.portLabel(), QStringLiteral("port 1 (%1)").arg(pty.path()));
    QCOMPARE(serialPort.baudRate(), 19200);
    received.clear();
    line.sendLine(QStringLiteral("list\r"));
    QSocketNotifier masterReadable(pty.master(), QSocketNotifier::Read);
    QSignalSpy readable(&masterReadable, &QSocketNotifier::activated);
    QByteArray atBoard;
    while (atBoard.size() < 5) {
        QVERIFY(readable.wait(5000));
        atBoard += pty.readAvailable();
    }
    QCOMPARE(atBoard, QByteArray("list\r"));
    pty.write("from the port");
    QVERIFY(receiveUntilEndsWith(received, QStringLiteral("from the port")));

    // A port that cannot be opened reads back 0 and keeps its number as the choice, and the real
    // port's complaint comes through; opening port 0 again ends its watch.
    line.setPortNumber(2);
    line.open();
    QVERIFY(!line.isOpen());
    QCOMPARE(line.portNumber(), 0);
    QCOMPARE(line.chosenPort(), 2);
    QCOMPARE(problems.count(), 1);
    QCOMPARE(problems.at(0).at(0).toString(), QStringLiteral("Port 2 cannot be opened: there is no such port"));
    QVERIFY(serialPort.isWatching());

    // Back on port 0 the board signs on with the program it kept, and the port is closed.
    line.setPortNumber(0);
    line.open();
    QVERIFY(!serialPort.isOpen() && !serialPort.isWatching());
    received.clear();
    QVERIFY(receiveUntilEndsWith(received, kSignOn));
    line.sendLine(QStringLiteral("list\r"));
    QVERIFY(receiveUntilEndsWith(received, QStringLiteral("10     PRINT 2\r\n\r\nREADY\r\n>")));
    QCOMPARE(line.chosenPort(), 0);
    QCOMPARE(problems.count(), 1);
}

void TestSerialLine::simulatedBoardBusy_data()
{
    QTest::addColumn<bool>("lossy");
    QTest::addColumn<int>("busyMs");
    QTest::addColumn<int>("firstLineMs");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("stored");
    // The UART keeps the LF behind the CR; in lossy mode the line after it is gone.
    QTest::newRow("queued") << false << 20 << 0 << QByteArray("10 a=1\r\n>\n20 a=2\r\n>\n") << 2;
    QTest::newRow("lossy") << true << 20 << 0 << QByteArray("10 a=1\r\n>\n") << 1;
    QTest::newRow("first line only") << true << 0 << 30 << QByteArray("10 a=1\r\n>\n") << 1;
}

void TestSerialLine::simulatedBoardBusy()
{
    QFETCH(bool, lossy);
    QFETCH(int, busyMs);
    QFETCH(int, firstLineMs);
    QFETCH(QByteArray, expected);
    QFETCH(int, stored);

    SimulatedBoard::Options options;
    options.busyMs = busyMs;
    options.firstLineMs = firstLineMs;
    options.lossy = lossy;
    SimulatedBoard board(options);
    QSignalSpy output(&board, &SimulatedBoard::output);
    board.open();
    QTRY_VERIFY(!board.hasActiveTimer());
    output.clear();

    // The second line is still on the wire while the board works on the first, and the prompt only
    // comes once the line is done.
    QElapsedTimer clock;
    qint64 promptAfter = -1;
    connect(&board, &SimulatedBoard::output, this, [&](const QByteArray& chunk) {
        if (promptAfter < 0 && chunk.contains('>')) promptAfter = clock.elapsed();
    });
    clock.start();
    board.write("10 a=1\r\n20 a=2\r\n");
    QTRY_VERIFY(!board.hasActiveTimer());
    QByteArray out;
    for (const QList<QVariant>& arguments : output)
        out += arguments.at(0).toByteArray();
    QCOMPARE(out, expected);
    QVERIFY2(promptAfter >= qMax(busyMs, firstLineMs) - 1, qPrintable(QString::number(promptAfter)));
    QCOMPARE(board.model().program().size(), stored);
}

void TestSerialLine::simulatedBoardCtrlC()
{
    SimulatedBoard board;
    QSignalSpy output(&board, &SimulatedBoard::output);
    board.open();
    board.write("10 ?1\r20 goto 10\rrun\r");
    const auto text = [&output] {
        QByteArray out;
        for (const QList<QVariant>& arguments : output)
            out += arguments.at(0).toByteArray();
        return out;
    };
    while (text().count(" 1 \r\n") < 3)
        QVERIFY(output.wait(5000));
    QVERIFY(board.model().running());
    board.write("\x03");
    while (!text().endsWith("READY\r\n>"))
        QVERIFY(output.wait(5000));
    QVERIFY(text().contains("\r\nSTOP - IN LINE  "));
    QVERIFY(!board.model().running());
    // Idle again: no timer wakes the program up.
    QVERIFY(!board.hasActiveTimer());
}

void TestSerialLine::endToEndThroughBoardTool()
{
    const QString tool = qEnvironmentVariable("KORVEL_BOARDSIM");
    if (tool.isEmpty()) QSKIP("KORVEL_BOARDSIM is not set");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("board"));

    QProcess boardsim;
    boardsim.start(tool, {QStringLiteral("--link"), link, QStringLiteral("--seed"), QStringLiteral("7")});
    QVERIFY(boardsim.waitForStarted());
    while (!boardsim.canReadLine())
        QVERIFY(boardsim.waitForReadyRead(5000));
    const QString slave = QString::fromLocal8Bit(boardsim.readLine()).trimmed();
    QVERIFY(slave.startsWith(QStringLiteral("/dev/pts/")));
    QCOMPARE(QFileInfo(link).symLinkTarget(), slave);

    FakeProfile profile;
    profile.set(QStringLiteral("Ports"), QStringLiteral("1"), link);
    QtSerialLine line(profile, [] { return QStringList(); });
    QSignalSpy received(&line, &SerialLine::received);
    QSignalSpy problems(&line, &SerialLine::problem);
    line.setBaudRate(9600);
    line.setDataBits(8);
    line.setStopBits(1);
    line.setPortNumber(1);
    line.open();
    QVERIFY2(line.isOpen(), qPrintable(joined(problems)));

    line.sendLine(QStringLiteral("10 print 1\r"));
    QVERIFY(receiveUntilEndsWith(received, QStringLiteral("10 print 1\r\n>")));
    line.sendLine(QStringLiteral("LIST\r\n"));
    QVERIFY(receiveUntilEndsWith(received, QStringLiteral("LIST\r\n10     PRINT 1\r\n\r\nREADY\r\n>")));
    QCOMPARE(problems.count(), 0);

    // The tool goes away: the line closes itself and says so once.
    auto* port = line.findChild<QSerialPort*>();
    QVERIFY(port);
    boardsim.terminate();
    QVERIFY(boardsim.waitForFinished(5000));
    QCOMPARE(boardsim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(boardsim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    if (problems.isEmpty()) QVERIFY(problems.wait(5000));
    QCOMPARE(problems.count(), 1);
    QVERIFY(problems.at(0).at(0).toString().startsWith(QStringLiteral("Port 1 (%1) was lost: ").arg(link)));
    QVERIFY(!line.isOpen());
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    QVERIFY(!port->isOpen());
    QCOMPARE(problems.count(), 1);

    // Opening again finds no device behind the link and says that instead.
    line.open();
    QCOMPARE(problems.count(), 2);
    QCOMPARE(problems.at(1).at(0).toString(),
             QStringLiteral("Port 1 (%1) cannot be opened: No such file or directory").arg(link));
    QCOMPARE(line.portNumber(), 0);
}

QTEST_GUILESS_MAIN(TestSerialLine)
#include "tst_serialline.moc"
