#include "qtserialline.h"

#include "platform/profile.h"

#include <QSerialPortInfo>
#include <QSocketNotifier>

#include <algorithm>

namespace {

constexpr int kTrickleBytes = 512;
constexpr int kTrickleRestMs = 20;

const QString kPortsSection = QStringLiteral("Ports");
constexpr int kDeviceKeySize = 1024;

bool isUsbAdapter(const QSerialPortInfo& info)
{
    return info.hasVendorIdentifier() || info.portName().startsWith(u"ttyUSB") || info.portName().startsWith(u"ttyACM");
}

// "ttyS2" before "ttyS10": the trailing number counts as a number.
bool naturalLess(const QString& a, const QString& b)
{
    const auto split = [](const QString& name) {
        qsizetype digits = name.size();
        while (digits > 0 && name[digits - 1].isDigit())
            --digits;
        return std::pair(name.left(digits), name.mid(digits));
    };
    const auto [stemA, numberA] = split(a);
    const auto [stemB, numberB] = split(b);
    if (stemA != stemB) return stemA < stemB;
    if (numberA.size() != numberB.size()) return numberA.size() < numberB.size();
    return numberA < numberB;
}

QSerialPort::DataBits dataBitsFor(int bits)
{
    switch (bits) {
    case 5:
        return QSerialPort::Data5;
    case 6:
        return QSerialPort::Data6;
    case 7:
        return QSerialPort::Data7;
    default:
        return QSerialPort::Data8;
    }
}

} // namespace

QtSerialLine::QtSerialLine(Profile& profile, PortList systemPorts, QObject* parent)
    : SerialLine(parent), m_profile(profile), m_systemPorts(std::move(systemPorts)), m_serial(new QSerialPort(this))
{
    connect(m_serial, &QSerialPort::readyRead, this, &QtSerialLine::readAvailable);
    connect(m_serial, &QSerialPort::errorOccurred, this, &QtSerialLine::handleError);
    connect(&m_board, &SimulatedBoard::output, this, &QtSerialLine::deliverBoardOutput);
    m_readRest.setSingleShot(true);
    m_readRest.setInterval(kTrickleRestMs);
    connect(&m_readRest, &QTimer::timeout, this, &QtSerialLine::resumeReading);
}

QtSerialLine::~QtSerialLine()
{
    // Closing here, while the members are whole, keeps QSerialPort's aboutToClose out of a half-gone object.
    m_serial->blockSignals(true);
    m_serial->close();
}

QStringList QtSerialLine::systemPortList()
{
    QList<PortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.append({info.portName(), info.systemLocation(), isUsbAdapter(info)});
    return orderPorts(std::move(ports));
}

QStringList QtSerialLine::orderPorts(QList<PortEntry> ports)
{
    // A board is nearly always behind a USB adapter, so those come first and port 1 finds it.
    std::stable_sort(ports.begin(), ports.end(), [](const PortEntry& a, const PortEntry& b) {
        if (a.usb != b.usb) return a.usb;
        return naturalLess(a.name, b.name);
    });
    QStringList paths;
    for (const PortEntry& port : ports)
        paths.append(port.path);
    return paths;
}

void QtSerialLine::setPortNumber(int port)
{
    m_portNumber = port;
    m_portFailed = false;
}

QString QtSerialLine::deviceForPort(int port) const
{
    if (port <= 0) return {};
    const QString configured = m_profile.readString(kPortsSection, QString::number(port), QString(), kDeviceKeySize);
    if (!configured.isEmpty()) return configured;
    const QStringList ports = m_systemPorts ? m_systemPorts() : QStringList();
    return port <= ports.size() ? ports.at(port - 1) : QString();
}

void QtSerialLine::setSimulatedBoardOptions(const SimulatedBoard::Options& options)
{
    m_board.setOptions(options);
}

void QtSerialLine::open()
{
    close();
    ++m_openCount;
    // A port that failed before is tried again: the adapter may have been plugged in meanwhile.
    m_portFailed = false;
    if (m_portNumber == 0) {
        m_open = true;
        m_board.open();
        return;
    }
    m_device = deviceForPort(m_portNumber);
    if (m_device.isEmpty()) {
        m_portFailed = true;
        emit problem(QStringLiteral("Port %1 cannot be opened: there is no such port").arg(m_portNumber));
        return;
    }
    m_serial->setPortName(m_device);
    m_serial->setBaudRate(m_baudRate > 0 ? m_baudRate : kFallbackBaudRate);
    m_serial->setDataBits(dataBitsFor(m_dataBits >= 5 && m_dataBits <= 8 ? m_dataBits : kFallbackDataBits));
    m_serial->setStopBits(m_stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    m_serial->setParity(QSerialPort::NoParity);
    m_serial->setFlowControl(QSerialPort::NoFlowControl);
    // Errors raised while opening are answered below, not by handleError().
    m_serial->blockSignals(true);
    const bool opened = m_serial->open(QIODevice::ReadWrite);
    const QString reason = m_serial->errorString();
    m_serial->clearError();
    m_serial->blockSignals(false);
    if (!opened) {
        m_portFailed = true;
        emit problem(QStringLiteral("Port %1 (%2) cannot be opened: %3").arg(m_portNumber).arg(m_device, reason));
        return;
    }
    m_open = true;
}

void QtSerialLine::close()
{
    m_open = false;
    m_readRest.stop();
    m_board.close();
    if (m_serial->isOpen()) m_serial->close();
    m_serial->clearError();
}

void QtSerialLine::sendLine(const QString& text)
{
    if (!m_open || text.isEmpty()) return;
    // toLatin1 turns every character above 255 into "?", one byte per character as the board expects.
    const QByteArray bytes = text.toLatin1();
    if (m_portNumber == 0)
        m_board.write(bytes);
    else
        m_serial->write(bytes);
}

void QtSerialLine::readAvailable()
{
    const QByteArray bytes = m_serial->readAll();
    if (!bytes.isEmpty() && m_open) emit received(QString::fromLatin1(bytes));
    // At 115200 baud a board's output trickles in a few bytes at a time, and waking for each
    // costs more than everything done with the bytes. After a small read the port's read
    // notifier rests for a few milliseconds, so the kernel collects the next bytes and one wake
    // takes them all; a large read means a burst, which is read at full speed. An idle line has
    // no timer running. QSerialPort re-enables its notifier on every read call, so disabling it
    // here is undone by nothing but resumeReading().
    if (bytes.size() < kTrickleBytes && m_open && !m_readRest.isActive()) {
        const auto notifiers = m_serial->findChildren<QSocketNotifier*>();
        for (QSocketNotifier* notifier : notifiers) {
            if (notifier->type() == QSocketNotifier::Read && notifier->isEnabled()) {
                notifier->setEnabled(false);
                m_readRest.start();
            }
        }
    }
}

void QtSerialLine::resumeReading()
{
    if (!m_serial->isOpen()) return;
    for (QSocketNotifier* notifier : m_serial->findChildren<QSocketNotifier*>()) {
        if (notifier->type() == QSocketNotifier::Read) notifier->setEnabled(true);
    }
}

void QtSerialLine::deliverBoardOutput(const QByteArray& chunk)
{
    if (m_open) emit received(QString::fromLatin1(chunk));
}

void QtSerialLine::handleError(QSerialPort::SerialPortError error)
{
    // Only a vanished device ends the line. Modem-line calls on a pseudo-terminal fail with
    // "Inappropriate ioctl for device" and the like; the line works regardless.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
    if (!m_open || m_portNumber == 0) return;
    m_open = false;
    // A hung-up terminal reads end-of-file and Qt words it with whatever errno was left over
    // (often "Inappropriate ioctl for device"), so only a resource error's own text is passed on.
    const QString reason =
        error == QSerialPort::ResourceError ? m_serial->errorString() : QStringLiteral("the device hung up");
    emit problem(QStringLiteral("Port %1 (%2) was lost: %3").arg(m_portNumber).arg(m_device, reason));
    // Qt keeps reporting the error from its read notifier until the port is closed; closing from
    // inside that notifier's own signal is not safe, so the close waits for the event loop.
    const quint64 openCount = m_openCount;
    QMetaObject::invokeMethod(
        this,
        [this, openCount] {
            if (openCount == m_openCount && m_serial->isOpen()) m_serial->close();
        },
        Qt::QueuedConnection);
}
