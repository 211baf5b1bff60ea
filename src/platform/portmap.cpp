// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portmap.h"

#include "platform/profile.h"

#include <QFileInfo>

#include <algorithm>

namespace {

const QString kPortsSection = QStringLiteral("Ports");
// Device paths run long (the stable names easily pass 80 characters).
constexpr int kDeviceKeySize = 1024;

// "ttyS2" before "ttyS10": the trailing number counts as a number.
bool naturalLess(const QString& a, const QString& b)
{
    const auto split = [](const QString& name) {
        qsizetype digits = name.size();
        while (digits > 0 && name[digits - 1].isDigit())
            --digits;
        return std::pair(name.left(digits), name.mid(digits));
    };
    const auto [stemA, numberA] = split(a.section(u'/', -1));
    const auto [stemB, numberB] = split(b.section(u'/', -1));
    if (stemA != stemB) return stemA < stemB;
    if (numberA.size() != numberB.size()) return numberA.size() < numberB.size();
    return numberA < numberB;
}

// Where a link ends; empty for a path that does not exist (an unplugged adapter's link dangles).
QString resolved(const QString& path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

} // namespace

PortMap::PortMap(Profile& profile, const SerialDevices& devices) : m_profile(profile), m_devices(devices) {}

QString PortMap::mapped(int port) const
{
    return m_profile.readString(kPortsSection, QString::number(port), QString(), kDeviceKeySize);
}

bool PortMap::names(const QString& value, const SerialDevice& device)
{
    if (value.isEmpty()) return false;
    if (value == device.path || value == device.stableName) return true;
    const QString target = resolved(value);
    return !target.isEmpty() && (target == device.path || target == resolved(device.path));
}

QString PortMap::deviceFor(int port) const
{
    if (port <= 0) return {};
    const QString configured = mapped(port);
    if (!configured.isEmpty()) return configured;
    const QList<SerialDevice> devices = m_devices.present();
    return port <= devices.size() ? devices.at(port - 1).path : QString();
}

QList<SerialDevice> PortMap::ordered(QList<SerialDevice> devices)
{
    // A board is nearly always behind a USB adapter, so those come first and port 1 finds it.
    std::stable_sort(devices.begin(), devices.end(), [](const SerialDevice& a, const SerialDevice& b) {
        if (a.usb != b.usb) return a.usb;
        return naturalLess(a.path, b.path);
    });
    return devices;
}

QList<PortMap::Row> PortMap::rows() const
{
    QList<QString> values;
    for (int port = 1; port <= kHighestPort; ++port)
        values.append(mapped(port));

    QList<Row> rows;
    const QList<SerialDevice> devices = m_devices.present();
    for (const SerialDevice& device : devices) {
        const auto at = std::find_if(values.begin(), values.end(),
                                     [&device](const QString& value) { return names(value, device); });
        if (at == values.end())
            rows.append({0, device, true, QString()});
        else
            rows.append({int(at - values.begin()) + 1, device, true, *at});
    }
    for (int port = 1; port <= kHighestPort; ++port) {
        const QString& value = values.at(port - 1);
        const bool known = std::any_of(devices.begin(), devices.end(),
                                       [&value](const SerialDevice& device) { return names(value, device); });
        if (!value.isEmpty() && !known) rows.append({port, SerialDevice::at(value), false, value});
    }
    return rows;
}

PortMap::Assignment PortMap::assign(const SerialDevice& device, int port)
{
    // The stable name stays with the adapter whatever node the kernel gives it next time; a link
    // the user made (a udev rule's /dev/myboard) does as well, and it is the name they chose.
    QString name = device.stableName.isEmpty() ? device.path : device.stableName;
    QList<int> others;
    for (int other = 1; other <= kHighestPort; ++other) {
        const QString value = mapped(other);
        if (!names(value, device)) continue;
        if (other != port) others.append(other);
        if (value != device.path && value != device.stableName) name = value;
    }

    Assignment done;
    const auto write = [this, &done](int key, const QString& value) {
        (m_profile.writeString(kPortsSection, QString::number(key), value) ? done.written : done.notWritten)
            .append(key);
    };
    if (port > 0) write(port, name);
    // An empty key falls back to the system's order, as if it had never been written.
    if (done.complete()) {
        for (int other : others)
            write(other, QString());
    }

    if (done.written.isEmpty() && !done.complete()) {
        done.message = tr("Korvel.ini could not be written; the ports are as they were.");
    } else if (!done.complete()) {
        QStringList written, notWritten;
        for (int key : done.written)
            written.append(key == port ? tr("port %1 (%2)").arg(QString::number(key), name)
                                       : tr("port %1 (emptied)").arg(key));
        for (int key : done.notWritten)
            notWritten.append(tr("port %1").arg(key));
        done.message = tr("Korvel.ini could not be written in full. Written: %1. Not written: %2.")
                           .arg(written.join(QStringLiteral(", ")), notWritten.join(QStringLiteral(", ")));
    } else if (port > 0) {
        done.message = tr("Port %1 opens %2 now.").arg(QString::number(port), name);
    } else {
        done.message = tr("%1 has no port number now.").arg(device.path);
    }
    return done;
}

QString PortMap::describe(const SerialDevice& device)
{
    QStringList what;
    const QString product = QStringList{device.manufacturer, device.product}.join(u' ').trimmed();
    if (!product.isEmpty()) what.append(product);
    if (!device.serialNumber.isEmpty()) what.append(tr("serial %1").arg(device.serialNumber));
    QString text = device.path;
    if (!what.isEmpty()) text += QStringLiteral(" - ") + what.join(QStringLiteral(", "));
    if (!device.stableName.isEmpty()) text += QStringLiteral(" (%1)").arg(device.stableName);
    return text;
}

QString PortMap::describePorts() const
{
    const QList<SerialDevice> devices = m_devices.present();
    QStringList rows{tr("0: the simulated board")};
    for (int port = 1; port <= kHighestPort; ++port) {
        QString device = mapped(port);
        if (device.isEmpty() && port <= devices.size()) device = devices.at(port - 1).path;
        if (device.isEmpty()) continue;
        const auto known = lookUp(devices, device);
        rows.append(QStringLiteral("%1: %2").arg(port).arg(known ? describe(*known) : device));
    }
    return rows.join(u'\n');
}

std::optional<SerialDevice> PortMap::lookUp(const QList<SerialDevice>& present, const QString& path)
{
    for (const SerialDevice& device : present) {
        if (names(path, device)) return device;
    }
    return std::nullopt;
}

std::optional<SerialDevice> PortMap::findSame(const QList<SerialDevice>& present, const SerialDevice& was)
{
    if (!was.stableName.isEmpty()) {
        for (const SerialDevice& device : present) {
            if (device.stableName == was.stableName) return device;
        }
    }
    if (was.serialNumber.isEmpty()) return std::nullopt;
    QList<SerialDevice> sameSerial;
    for (const SerialDevice& device : present) {
        // Another stable name is another device, even with the same serial number (the other port
        // of the same adapter).
        const bool otherName = !was.stableName.isEmpty() && !device.stableName.isEmpty();
        if (device.serialNumber == was.serialNumber && !otherName) sameSerial.append(device);
    }
    // The ports of a two-port adapter share one serial number; only the node tells them apart then.
    if (sameSerial.size() == 1) return sameSerial.first();
    for (const SerialDevice& device : sameSerial) {
        if (device.path == was.path) return device;
    }
    return std::nullopt;
}
