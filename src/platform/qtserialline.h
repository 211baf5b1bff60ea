#pragma once

#include "platform/serialline.h"
#include "simulator/simulatedboard.h"

#include <QSerialPort>
#include <QStringList>
#include <QTimer>

#include <functional>

class Profile;

// The serial line over QSerialPort, with port 0 standing for the simulated board in process.
//
// Port n from 1 up is the device named by key "n" of section "Ports" of Korvel.ini (any path, a
// pseudo-terminal too), else the n-th entry of the system's port list. Settings the port cannot
// use (0 or out of range) still read back as written; the line opens with 9600 baud, 8 data bits
// and 1 stop bit in their place. Failures never stop the program: they are said once through
// problem(), and a port that could not be opened reads back 0 until it is written again.
class QtSerialLine : public SerialLine
{
    Q_OBJECT
public:
    using PortList = std::function<QStringList()>;

    static constexpr int kFallbackBaudRate = 9600;
    static constexpr int kFallbackDataBits = 8;
    static constexpr int kFallbackStopBits = 1;

    explicit QtSerialLine(Profile& profile, PortList systemPorts = &QtSerialLine::systemPortList,
                          QObject* parent = nullptr);
    ~QtSerialLine() override;

    struct PortEntry
    {
        QString name; // "ttyUSB0"
        QString path; // "/dev/ttyUSB0"
        bool usb = false;
    };
    // The device paths of the serial ports this computer has, USB adapters first, then by name.
    static QStringList systemPortList();
    static QStringList orderPorts(QList<PortEntry> ports);

    int baudRate() const override { return m_baudRate; }
    void setBaudRate(int baud) override { m_baudRate = baud; }
    int portNumber() const override { return m_portFailed ? 0 : m_portNumber; }
    void setPortNumber(int port) override;
    int dataBits() const override { return m_dataBits; }
    void setDataBits(int bits) override { m_dataBits = bits; }
    int stopBits() const override { return m_stopBits; }
    void setStopBits(int bits) override { m_stopBits = bits; }

    void open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void sendLine(const QString& text) override;

    // The device that port n opens: empty for port 0 and for a port with no device at all.
    QString deviceForPort(int port) const;
    // Busy time, loss and chunking of the board behind port 0; takes effect at the next open.
    void setSimulatedBoardOptions(const SimulatedBoard::Options& options);

private:
    void readAvailable();
    void resumeReading();
    void deliverBoardOutput(const QByteArray& chunk);
    void handleError(QSerialPort::SerialPortError error);

    Profile& m_profile;
    PortList m_systemPorts;
    QSerialPort* m_serial; // a child, so the tests can watch it
    SimulatedBoard m_board;
    QString m_device;
    int m_baudRate = 0;
    int m_portNumber = 0;
    int m_dataBits = 0;
    int m_stopBits = 0;
    bool m_portFailed = false;
    bool m_open = false;
    quint64 m_openCount = 0; // tells a deferred close of a lost port from a later open
    QTimer m_readRest;       // see readAvailable()
};
