// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// One serial device the system has now, as udev describes it.
struct SerialDevice
{
    QString path;         // the device node: "/dev/ttyUSB0"
    QString stableName;   // "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"; empty when none
    QString manufacturer; // "FTDI"
    QString product;      // "FT232R USB UART"
    QString serialNumber; // "A50285BI"; empty for on-board ports and most pseudo-terminals
    bool usb = false;

    bool operator==(const SerialDevice&) const = default;

    // A device known by its path alone.
    static SerialDevice at(const QString& path)
    {
        SerialDevice device;
        device.path = path;
        return device;
    }
};

// The serial devices present: what the Ports dialog shows and what port numbers stand for. Widgets
// never ask the system themselves; the tests hand in a fixed list.
class SerialDevices
{
public:
    virtual ~SerialDevices() = default;
    virtual QList<SerialDevice> present() const = 0;

    // A list that is always empty, for callers that know of no devices.
    static const SerialDevices& none()
    {
        static const struct None : SerialDevices
        {
            QList<SerialDevice> present() const override { return {}; }
        } kNone;
        return kNone;
    }
};
