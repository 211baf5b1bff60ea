// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtserialline.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Translated where it is used, once the user's language is known.
const char* const kPermissionHint = QT_TRANSLATE_NOOP(
    "QtSerialLine", "add your user to the dialout group (sudo usermod -aG dialout $USER), then log in again");

// The paths of a fixed list, in its order.
class ListedDevices : public SerialDevices
{
public:
    explicit ListedDevices(QtSerialLine::PortList ports) : m_ports(std::move(ports)) {}
    QList<SerialDevice> present() const override
    {
        QList<SerialDevice> devices;
        for (const QString& path : m_ports ? m_ports() : QStringList())
            devices.append(SerialDevice::at(path));
        return devices;
    }

private:
    QtSerialLine::PortList m_ports;
};

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

bool permissionDenied(const QString& path)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

} // namespace

QtSerialLine::QtSerialLine(Profile& profile, const SerialDevices& devices, QObject* parent)
    : SerialLine(parent), m_devices(devices), m_map(profile, devices), m_serial(new QSerialPort(this))
{
    connectParts();
}

QtSerialLine::QtSerialLine(Profile& profile, PortList systemPorts, QObject* parent)
    : SerialLine(parent), m_ownDevices(std::make_unique<ListedDevices>(std::move(systemPorts))),
      m_devices(*m_ownDevices), m_map(profile, *m_ownDevices), m_serial(new QSerialPort(this))
{
    connectParts();
}

void QtSerialLine::connectParts()
{
    connect(m_serial, &QSerialPort::readyRead, this, &QtSerialLine::readAvailable);
    connect(m_serial, &QSerialPort::errorOccurred, this, &QtSerialLine::handleError);
    connect(&m_watch, &DeviceWatch::changed, this, &QtSerialLine::lookAgain);
    m_readRest.setSingleShot(true);
    // Rests are a few milliseconds long, where a coarse timer's slack would be most of one.
    m_readRest.setTimerType(Qt::PreciseTimer);
    connect(&m_readRest, &QTimer::timeout, this, &QtSerialLine::resumeReading);
}

QtSerialLine::~QtSerialLine()
{
    // Closing here, while the members are whole, keeps QSerialPort's aboutToClose out of a half-gone object.
    m_serial->blockSignals(true);
    m_serial->close();
}

void QtSerialLine::setPortNumber(int port)
{
    if (port != m_portNumber) m_device.clear();
    m_portNumber = port;
    m_portFailed = false;
}

QString QtSerialLine::portLabel() const
{
    const QString device = m_device.isEmpty() ? deviceForPort(m_portNumber) : m_device;
    return device.isEmpty() ? tr("port %1").arg(m_portNumber) : tr("port %1 (%2)").arg(m_portNumber).arg(device);
}

void QtSerialLine::open()
{
    close();
    ++m_openCount;
    // A port that failed before is tried again: the adapter may have been plugged in meanwhile.
    m_portFailed = false;
    m_device = m_map.deviceFor(m_portNumber);
    m_opened = {};
    if (m_device.isEmpty()) {
        m_portFailed = true;
        // An adapter plugged in later may give the number a device.
        if (m_portNumber > 0) goDown();
        emit problem(tr("Port %1 cannot be opened: there is no such port").arg(m_portNumber));
        return;
    }
    const Attempt attempt = openDevice(m_device);
    if (!attempt.opened) {
        m_portFailed = true;
        // A device that is there but refused is known by its serial number from now on.
        m_opened = identify(m_device);
        goDown();
        QString message = tr("Port %1 (%2) cannot be opened: %3").arg(m_portNumber).arg(m_device, attempt.reason);
        if (attempt.permissionDenied) message += QStringLiteral("; ") + tr(kPermissionHint);
        emit problem(message);
        return;
    }
    emit opened(QString());
}

QtSerialLine::Attempt QtSerialLine::openDevice(const QString& device)
{
    // A lost port is closed from the event loop; a quick return may come before that.
    if (m_serial->isOpen()) m_serial->close();
    m_serial->setPortName(device);
    m_serial->setBaudRate(m_baudRate > 0 ? m_baudRate : kFallbackBaudRate);
    m_serial->setDataBits(dataBitsFor(m_dataBits >= 5 && m_dataBits <= 8 ? m_dataBits : kFallbackDataBits));
    m_serial->setStopBits(m_stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    m_serial->setParity(QSerialPort::NoParity);
    m_serial->setFlowControl(QSerialPort::NoFlowControl);
    // Errors raised while opening are answered by the caller, not by handleError().
    m_serial->blockSignals(true);
    Attempt attempt;
    attempt.opened = m_serial->open(QIODevice::ReadWrite);
    attempt.reason = m_serial->errorString();
    m_serial->clearError();
    m_serial->blockSignals(false);
    if (!attempt.opened) {
        attempt.permissionDenied = permissionDenied(device);
        return attempt;
    }
    m_open = true;
    m_device = device;
    // Remembered while it works: once the device is gone, nothing tells its serial number any more.
    // Asking the system takes milliseconds, so it waits for the event loop: the line is usable at
    // once, and the settings dialog's probe, which closes each port right away, never asks.
    m_opened = SerialDevice::at(device);
    QMetaObject::invokeMethod(
        this,
        [this, openCount = m_openCount] {
            if (openCount == m_openCount && m_open) m_opened = identify(m_device);
        },
        Qt::QueuedConnection);
    return attempt;
}

SerialDevice QtSerialLine::identify(const QString& device) const
{
    const QList<SerialDevice> present = m_devices.present();
    // A [Ports] path may be a link of the user's own to the node.
    for (const QString& name : {device, QFileInfo(device).canonicalFilePath()}) {
        if (const auto known = PortMap::lookUp(present, name)) return *known;
    }
    return SerialDevice::at(device);
}

void QtSerialLine::goDown()
{
    m_open = false;
    m_down = true;
    armWatch(QFileInfo::exists(m_device));
}

void QtSerialLine::armWatch(bool devicePresent)
{
    // The device's own folder for its path; /dev for a device that may come back under another
    // node, and for a port that is only a place in the system's list.
    QStringList paths;
    if (!m_device.isEmpty()) paths.append(m_device);
    const bool knownDevice = !m_opened.serialNumber.isEmpty() || !m_opened.stableName.isEmpty();
    if (knownDevice && !m_opened.path.isEmpty()) paths.append(m_opened.path);
    if (m_device.isEmpty() || m_map.mapped(m_portNumber).isEmpty()) paths.append(QStringLiteral("/dev/tty"));
    // A device that is there but refused (busy, no permission) changes nothing in its folder when
    // it becomes free, so it is looked at once a second as well.
    m_watch.watch(paths, devicePresent);
}

void QtSerialLine::lookAgain()
{
    ++m_watchWakeups;
    // A folder that appears (/dev/serial/by-id comes with the first adapter) is watched from then
    // on; what was made in it before the watch was set is looked for at once, a level at a time.
    for (int level = 0; m_down && level < 4; ++level) {
        const QStringList folders = m_watch.folders();
        if (reopenIfBack() || m_watch.folders() == folders) return;
    }
}

bool QtSerialLine::reopenIfBack()
{
    QString target;
    if (!m_opened.serialNumber.isEmpty() || !m_opened.stableName.isEmpty()) {
        if (const auto same = PortMap::findSame(m_devices.present(), m_opened)) {
            // The port's own name for the device when it still names it, else the node it has now.
            const QString configured = m_map.deviceFor(m_portNumber);
            const bool stillNamed = configured == same->path || configured == same->stableName ||
                                    QFileInfo(configured).canonicalFilePath() == same->path;
            target = stillNamed ? configured : same->path;
        }
    } else {
        target = m_map.deviceFor(m_portNumber);
    }
    const bool present = !target.isEmpty() && QFileInfo::exists(target);
    if (present) {
        ++m_openCount;
        if (openDevice(target).opened) {
            m_down = false;
            m_portFailed = false;
            m_watch.stop();
            emit opened(tr("Port %1 (%2) is back").arg(m_portNumber).arg(m_device));
            return true;
        }
    }
    armWatch(present);
    return false;
}

void QtSerialLine::close()
{
    m_open = false;
    m_down = false;
    m_watch.stop();
    m_readRest.stop();
    m_restRule.reset();
    if (m_serial->isOpen()) m_serial->close();
    m_serial->clearError();
}

void QtSerialLine::sendLine(const QString& text)
{
    if (!m_open || text.isEmpty()) return;
    // toLatin1 turns every character above 255 into "?", one byte per character as the board expects.
    const QByteArray bytes = text.toLatin1();
    m_serial->write(bytes);
}

QSocketNotifier* QtSerialLine::readNotifier()
{
    if (m_readNotifier || !m_serial->isOpen()) return m_readNotifier;
    // QSerialPort makes it on open and deletes it on close, so it is looked up once per open.
    for (QSocketNotifier* notifier : m_serial->findChildren<QSocketNotifier*>()) {
        if (notifier->type() == QSocketNotifier::Read) return m_readNotifier = notifier;
    }
    if (!m_readNotifierMissing) {
        m_readNotifierMissing = true;
        qWarning("QtSerialLine: QSerialPort's read notifier is not among its children any more; "
                 "small reads are no longer coalesced");
    }
    return nullptr;
}

void QtSerialLine::readAvailable()
{
    const QByteArray bytes = m_serial->readAll();
    if (!bytes.isEmpty() && m_open) emit received(QString::fromLatin1(bytes));
    if (!m_open || m_quickReads || m_readRest.isActive()) return;
    // After a read that emptied the port the read notifier rests, as long as ReadRest says, so
    // the kernel collects the next bytes and one wake takes them all; a large read means more
    // is waiting, which is read at once. An idle line has no timer running. QSerialPort
    // re-enables its notifier on every read call, so disabling it here is undone by nothing but
    // resumeReading().
    const auto rest = m_restRule.afterRead(bytes.size(), ReadRest::Clock::now());
    if (!rest) return;
    QSocketNotifier* notifier = readNotifier();
    if (notifier && notifier->isEnabled()) {
        notifier->setEnabled(false);
        m_readRest.start(*rest);
    }
}

void QtSerialLine::setQuickReads(bool quick)
{
    m_quickReads = quick;
    m_restRule.reset();
    if (quick && m_readRest.isActive()) {
        m_readRest.stop();
        resumeReading();
    }
}

void QtSerialLine::resumeReading()
{
    if (!m_serial->isOpen()) return;
    if (QSocketNotifier* notifier = readNotifier()) notifier->setEnabled(true);
}

void QtSerialLine::handleError(QSerialPort::SerialPortError error)
{
    // Only a vanished device ends the line. Modem-line calls on a pseudo-terminal fail with
    // "Inappropriate ioctl for device" and the like; the line works regardless.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
    if (!m_open) return;
    // A hung-up terminal reads end-of-file and Qt words it with whatever errno was left over
    // (often "Inappropriate ioctl for device"), so only a resource error's own text is passed on.
    const QString reason = error == QSerialPort::ResourceError ? m_serial->errorString() : tr("the device hung up");
    goDown();
    emit problem(tr("Port %1 (%2) was lost: %3").arg(m_portNumber).arg(m_device, reason));
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
