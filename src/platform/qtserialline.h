// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/devicewatch.h"
#include "platform/portmap.h"
#include "platform/readrest.h"
#include "platform/serialline.h"

#include <QPointer>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class Profile;
class QSocketNotifier;

// The serial line over QSerialPort. Port 0 has no device here: the program serves it with the
// simulated board instead (see SwitchingLine).
//
// Port n from 1 up opens the device PortMap gives it: key "n" of [Ports] in Korvel.ini, else the
// n-th serial device present. Settings the port cannot use (0 or out of range) still read back as
// written; the line opens with 9600 baud, 8 data bits and 1 stop bit in their place. Failures
// never stop the program: they are said once through problem(), and a port that could not be
// opened reads back 0 until it is written again, while chosenPort() keeps the number.
//
// Reconnecting. A port that could not be opened, or was lost, is watched for (DeviceWatch) until it
// opens again or close() is called; it then reopens with the same settings and says so through
// opened(). The device that comes back must be the same one: the same stable name or USB serial
// number, under whatever node; a device without either is known by its path alone.
class QtSerialLine : public SerialLine
{
    Q_OBJECT
public:
    using PortList = std::function<QStringList()>;

    static constexpr int kFallbackBaudRate = 9600;
    static constexpr int kFallbackDataBits = 8;
    static constexpr int kFallbackStopBits = 1;

    QtSerialLine(Profile& profile, const SerialDevices& devices, QObject* parent = nullptr);
    // The system's ports given as bare paths in order (no maker or serial number), for callers that
    // only need a fixed list.
    QtSerialLine(Profile& profile, PortList systemPorts, QObject* parent = nullptr);
    ~QtSerialLine() override;

    int baudRate() const override { return m_baudRate; }
    void setBaudRate(int baud) override { m_baudRate = baud; }
    int portNumber() const override { return m_portFailed ? 0 : m_portNumber; }
    void setPortNumber(int port) override;
    int chosenPort() const override { return m_portNumber; }
    int dataBits() const override { return m_dataBits; }
    void setDataBits(int bits) override { m_dataBits = bits; }
    int stopBits() const override { return m_stopBits; }
    void setStopBits(int bits) override { m_stopBits = bits; }

    void open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    QString portLabel() const override;
    void sendLine(const QString& text) override;
    void setQuickReads(bool quick) override;

    // The device that port n opens: empty for port 0 and for a port with no device at all.
    QString deviceForPort(int port) const { return m_map.deviceFor(port); }

    // Waiting for the chosen port to come back; false while the line is open or closed on purpose.
    bool isWatching() const { return m_watch.isActive(); }
    const DeviceWatch& watch() const { return m_watch; }
    DeviceWatch& watch() { return m_watch; }
    // How often the watch woke the line; nothing else wakes it while the port is away.
    quint64 watchWakeups() const { return m_watchWakeups; }

    // QSerialPort's read notifier while the port is open, for resting it after a small read. Qt
    // offers no way to it, so it is found among the port's children; when a Qt update moves it, this
    // says so once and returns null (reads then go on unrested, only with more wakeups).
    QSocketNotifier* readNotifier();

private:
    struct Attempt
    {
        bool opened = false;
        QString reason;
        bool permissionDenied = false;
    };
    void connectParts();
    Attempt openDevice(const QString& device);
    SerialDevice identify(const QString& device) const;
    void goDown();
    void lookAgain();
    bool reopenIfBack();
    void armWatch(bool devicePresent);
    void readAvailable();
    void resumeReading();
    void handleError(QSerialPort::SerialPortError error);

    std::unique_ptr<SerialDevices> m_ownDevices; // the fixed list of the PortList constructor
    const SerialDevices& m_devices;
    PortMap m_map;
    QSerialPort* m_serial; // a child, so the tests can watch it
    DeviceWatch m_watch;
    QString m_device;      // the path opened or last tried
    SerialDevice m_opened; // what the device was while open: its stable name and serial number
    int m_baudRate = 0;
    int m_portNumber = 0;
    int m_dataBits = 0;
    int m_stopBits = 0;
    bool m_portFailed = false;
    bool m_open = false;
    bool m_down = false;     // wanted open but not: failed or lost, and watched for
    quint64 m_openCount = 0; // tells a deferred close of a lost port from a later open
    quint64 m_watchWakeups = 0;
    QTimer m_readRest; // see readAvailable()
    ReadRest m_restRule;
    bool m_quickReads = false;
    QPointer<QSocketNotifier> m_readNotifier;
    bool m_readNotifierMissing = false; // said once
};
