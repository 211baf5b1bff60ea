// SPDX-License-Identifier: GPL-3.0-or-later
// Port numbers and devices: [Ports] entries that are links of the user's own, what assigning a
// number writes (also when the disk fills part-way), and the Ports dialog as the main window runs it.
#include "fakes.h"
#include "testhelpers.h"

#include "app/form1.h"
#include "config/portsdialog.h"
#include "platform/portmap.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A /dev of its own: ttyUSB0 and ttyS0 are present (plain files stand for the nodes), ttyUSB1 is
// unplugged. ttyUSB0 is an adapter with a stable by-id link. Each test adds its own links, written
// "myboard>ttyUSB0", and [Ports] entries, written "1=myboard"; names are relative to the folder.
struct Dev
{
    QTemporaryDir dir;
    FakeSerialDevices devices;
    FakeProfile profile;

    Dev(const QStringList& links, const QStringList& ports)
    {
        for (const QString& node : {u"ttyUSB0"_s, u"ttyS0"_s})
            QFile(path(node)).open(QIODevice::WriteOnly);
        QFile::link(path(u"ttyUSB0"_s), path(u"by-id-ftdi"_s));
        for (const QString& link : links)
            QFile::link(path(link.section(u'>', 1)), path(link.section(u'>', 0, 0)));
        SerialDevice adapter = SerialDevice::at(path(u"ttyUSB0"_s));
        adapter.stableName = path(u"by-id-ftdi"_s);
        devices.devices = {adapter, SerialDevice::at(path(u"ttyS0"_s))};
        for (const QString& entry : ports)
            profile.set(u"Ports"_s, entry.section(u'=', 0, 0), path(entry.section(u'=', 1)));
    }

    QString path(const QString& name) const { return dir.path() + u'/' + name; }
    QString local(QString text) const { return text.remove(dir.path() + u'/'); }

    // "1 ttyUSB0" per row, "-" for no number, "(absent)" after a path no device answers to.
    QStringList rows()
    {
        QStringList shown;
        for (const PortMap::Row& row : PortMap(profile, devices).rows())
            shown.append((row.port ? QString::number(row.port) : u"-"_s) + u' ' + local(row.device.path) +
                         (row.present ? QString() : u" (absent)"_s));
        return shown;
    }
    // The non-empty [Ports] entries, "1=myboard".
    QStringList ports() const
    {
        QStringList entries;
        for (int port = 1; port <= PortMap::kHighestPort; ++port) {
            const QString value = profile.values.value(u"ports/%1"_s.arg(port));
            if (!value.isEmpty()) entries.append(u"%1=%2"_s.arg(port).arg(local(value)));
        }
        return entries;
    }
};

} // namespace

class TestPorts : public QObject
{
    Q_OBJECT
private slots:
    void linksNameTheirDevice_data();
    void linksNameTheirDevice();
    void assignLeavesOneNumber_data();
    void assignLeavesOneNumber();
    void dialogRunsThroughTheMap();
};

void TestPorts::linksNameTheirDevice_data()
{
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("link to a node") << QStringList{"myboard>ttyUSB0"} << QStringList{"1=myboard"}
                                    << QStringList{"1 ttyUSB0", "- ttyS0"};
    QTest::newRow("link to a link") << QStringList{"by-path>ttyUSB0", "myboard>by-path"} << QStringList{"2=myboard"}
                                    << QStringList{"2 ttyUSB0", "- ttyS0"};
    QTest::newRow("the node itself") << QStringList{} << QStringList{"1=ttyS0"} << QStringList{"- ttyUSB0", "1 ttyS0"};
    QTest::newRow("link to an unplugged node") << QStringList{"myboard>ttyUSB1"} << QStringList{"1=myboard"}
                                               << QStringList{"- ttyUSB0", "- ttyS0", "1 myboard (absent)"};
    QTest::newRow("link and node both named") << QStringList{"myboard>ttyUSB0"} << QStringList{"1=myboard", "2=ttyUSB0"}
                                              << QStringList{"1 ttyUSB0", "- ttyS0"};
}

void TestPorts::linksNameTheirDevice()
{
    QFETCH(QStringList, links);
    QFETCH(QStringList, ports);
    QFETCH(QStringList, rows);
    Dev dev(links, ports);
    QCOMPARE(dev.rows(), rows);
}

void TestPorts::assignLeavesOneNumber_data()
{
    QTest::addColumn<QStringList>("before"); // [Ports]; myboard is a link to ttyUSB0
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("failAfter"); // writes that succeed; -1: all
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("message");

    // The user's own link is the name they chose; it moves to the new number.
    QTest::newRow("link moves") << QStringList{"1=myboard"} << "ttyUSB0" << 2 << -1 << QStringList{"2=myboard"}
                                << "Port 2 opens myboard now.";
    QTest::newRow("link and node both named") << QStringList{"1=myboard", "3=ttyUSB0"} << "ttyUSB0" << 2 << -1
                                              << QStringList{"2=myboard"} << "Port 2 opens myboard now.";
    QTest::newRow("node becomes the stable name") << QStringList{"1=ttyUSB0"} << "ttyUSB0" << 2 << -1
                                                  << QStringList{"2=by-id-ftdi"} << "Port 2 opens by-id-ftdi now.";
    QTest::newRow("number taken from another device") << QStringList{"1=ttyS0", "2=myboard"} << "ttyUSB0" << 1 << -1
                                                      << QStringList{"1=myboard"} << "Port 1 opens myboard now.";
    QTest::newRow("no number") << QStringList{"1=myboard"} << "ttyUSB0" << 0 << -1 << QStringList{}
                               << "ttyUSB0 has no port number now.";
    QTest::newRow("nothing written") << QStringList{"1=myboard"} << "ttyUSB0" << 2 << 0 << QStringList{"1=myboard"}
                                     << "Korvel.ini could not be written; the ports are as they were.";
    QTest::newRow("written part-way")
        << QStringList{"1=myboard", "3=ttyUSB0"} << "ttyUSB0" << 2 << 2 << QStringList{"2=myboard", "3=ttyUSB0"}
        << "Korvel.ini could not be written in full. Written: port 2 (myboard), port 1 (emptied). Not written: port 3.";
    QTest::newRow("emptying fails part-way")
        << QStringList{"1=myboard", "3=ttyUSB0"} << "ttyUSB0" << 0 << 1 << QStringList{"3=ttyUSB0"}
        << "Korvel.ini could not be written in full. Written: port 1 (emptied). Not written: port 3.";
}

void TestPorts::assignLeavesOneNumber()
{
    QFETCH(QStringList, before);
    QFETCH(QString, device);
    QFETCH(int, port);
    QFETCH(int, failAfter);
    QFETCH(QStringList, after);
    QFETCH(QString, message);
    Dev dev({u"myboard>ttyUSB0"_s}, before);
    dev.profile.failAfterWrites = failAfter;
    const SerialDevice chosen = *PortMap::lookUp(dev.devices.devices, dev.path(device));

    const PortMap::Assignment done = PortMap(dev.profile, dev.devices).assign(chosen, port);
    QCOMPARE(dev.ports(), after);
    QCOMPARE(dev.local(done.message), message);
    QCOMPARE(done.complete(), failAfter < 0);
}

void TestPorts::dialogRunsThroughTheMap()
{
    FakePlatform fakes;
    SerialDevice adapter = SerialDevice::at(u"/dev/ttyUSB0"_s);
    adapter.stableName = u"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"_s;
    adapter.manufacturer = u"FTDI"_s;
    adapter.product = u"FT232R USB UART"_s;
    adapter.serialNumber = u"A50285BI"_s;
    fakes.serialDevices.devices = {adapter, SerialDevice::at(u"/dev/ttyS0"_s)};
    fakes.profile.set(u"Ports"_s, u"1"_s, u"/dev/ttyS0"_s);
    fakes.profile.set(u"Ports"_s, u"2"_s, u"/dev/ttyUSB0"_s);
    fakes.profile.set(u"Ports"_s, u"3"_s, u"/tmp/gone"_s);
    Form1 form(fakes.platform());
    form.load();
    form.show();

    triggerAction(form, u"ports"_s);
    auto* dialog = form.findChild<PortsDialog*>();
    QVERIFY(dialog && dialog->isVisible());
    auto* table = dialog->findChild<QTableWidget*>(u"tblPorts"_s);
    QVERIFY(table);
    const auto row = [table](int r) {
        QStringList cells{qobject_cast<QComboBox*>(table->cellWidget(r, 0))->currentText()};
        for (int c = 1; c < table->columnCount(); ++c)
            cells.append(table->item(r, c)->text());
        return cells;
    };
    const auto message = [dialog] { return dialog->findChild<QLabel*>(u"lblMessage"_s)->text(); };
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(row(0), (QStringList{u"2"_s, u"/dev/ttyUSB0"_s, u"FTDI"_s, u"FT232R USB UART"_s, u"A50285BI"_s,
                                  adapter.stableName}));
    QCOMPARE(row(1), (QStringList{u"1"_s, u"/dev/ttyS0"_s, QString(), QString(), QString(), QString()}));
    QCOMPARE(row(2), (QStringList{u"3"_s, u"/tmp/gone"_s, u"(not present)"_s, QString(), QString(), QString()}));

    // Port 1 for the adapter: written at once, by its stable name, before its old number and the
    // device that had 1 lose theirs. A line that is down tries the new map at once.
    fakes.line.close();
    auto* box = qobject_cast<QComboBox*>(table->cellWidget(0, 0));
    box->setCurrentIndex(1);
    emit box->activated(1);
    QCOMPARE(fakes.profile.writes, (QStringList{u"Ports/1="_s + adapter.stableName, u"Ports/2="_s}));
    QCOMPARE(row(0).first(), u"1"_s);
    QCOMPARE(row(1).first(), u"-"_s);
    QVERIFY(message().contains(adapter.stableName));
    QVERIFY(fakes.line.isOpen());

    // The ComPort tooltip names the devices the same way.
    const QString tooltip = PortMap(fakes.profile, fakes.serialDevices).describePorts();
    QVERIFY2(
        tooltip.contains(u"1: /dev/ttyUSB0 - FTDI FT232R USB UART, serial A50285BI (%1)"_s.arg(adapter.stableName)),
        qPrintable(tooltip));
    QVERIFY2(tooltip.contains(u"3: /tmp/gone"_s), qPrintable(tooltip));

    // A file that cannot be written leaves the map and says so, in the dialog and the status bar.
    fakes.profile.failWrites = true;
    box = qobject_cast<QComboBox*>(table->cellWidget(1, 0));
    emit box->activated(4);
    QVERIFY(message().contains(u"could not be written"_s));
    QCOMPARE(form.findChild<QStatusBar*>(u"StatusBar1"_s)->currentMessage(), message());
    QCOMPARE(row(1).first(), u"-"_s);
}

QTEST_MAIN(TestPorts)
#include "tst_ports.moc"
