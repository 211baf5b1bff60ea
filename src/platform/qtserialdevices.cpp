// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtserialdevices.h"

#include "platform/portmap.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

QtSerialDevices::QtSerialDevices(QString stableFolder) : m_stableFolder(std::move(stableFolder)) {}

QList<SerialDevice> QtSerialDevices::present() const
{
    // udev makes a link per adapter named after its maker, product, serial number and interface;
    // it survives unplugging and a new ttyUSB number.
    QHash<QString, QString> stableNames;
    const QDir folder(m_stableFolder);
    for (const QFileInfo& link : folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty() && !stableNames.contains(target)) stableNames.insert(target, link.absoluteFilePath());
    }

    QList<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString path = info.systemLocation();
        const QString canonical = QFileInfo(path).canonicalFilePath();
        const bool usb = info.hasVendorIdentifier() || info.portName().startsWith(u"ttyUSB") ||
                         info.portName().startsWith(u"ttyACM");
        devices.append({path, stableNames.value(canonical.isEmpty() ? path : canonical), info.manufacturer(),
                        info.description(), info.serialNumber(), usb});
    }
    return PortMap::ordered(std::move(devices));
}
