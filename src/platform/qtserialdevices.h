// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/serialdevices.h"

// The system's serial devices through QSerialPortInfo (udev), each with its stable name from the
// links in /dev/serial/by-id.
class QtSerialDevices : public SerialDevices
{
public:
    explicit QtSerialDevices(QString stableFolder = QStringLiteral("/dev/serial/by-id"));
    QList<SerialDevice> present() const override;

private:
    QString m_stableFolder;
};
