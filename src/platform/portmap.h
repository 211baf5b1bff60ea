// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/serialdevices.h"

#include <QList>
#include <QString>
#include <optional>

class Profile;

// What a port number stands for. Port n from 1 up is the device named by key "n" of section
// [Ports] of Korvel.ini (any path: a device node, a stable /dev/serial/by-id name, a link to a
// pseudo-terminal), else the n-th serial device present, USB adapters first. Port 0 is the
// simulated board and stands for no device.
//
// The map is read afresh on every question, so a change made in the Ports dialog counts at the
// next open; it is written only by assign().
class PortMap
{
public:
    // The numbers the Ports dialog offers and the port tooltip lists.
    static constexpr int kHighestPort = 16;

    struct Row
    {
        int port = 0;        // the [Ports] key that names the device; 0 when none does
        SerialDevice device; // only the path for a mapped device that is not present
        bool present = false;
    };

    PortMap(Profile& profile, const SerialDevices& devices);

    // The path port n opens; empty for port 0 and below, and for a port with no device at all.
    QString deviceFor(int port) const;
    // Key n of [Ports]: empty when the port is only a place in the system's list.
    QString mapped(int port) const;

    // USB adapters first, then by name ("ttyS2" before "ttyS10"): the order of the system's list.
    static QList<SerialDevice> ordered(QList<SerialDevice> devices);

    // Every device present with the number mapped to it, then each number mapped to a path that
    // no present device answers to.
    QList<Row> rows() const;

    // Maps port to the device, by its stable name where it has one, and takes the device off every
    // other number that named it; port 0 only takes it off. Written at once; false when Korvel.ini
    // could not be written (it is then as it was).
    bool assign(const SerialDevice& device, int port);

    // One line per port number that opens something: "1: /dev/ttyUSB0 - FTDI FT232R USB UART,
    // serial A50285BI (/dev/serial/by-id/...)", after "0: the simulated board".
    QString describePorts() const;
    static QString describe(const SerialDevice& device);

    // The present device that path names: its node or its stable name.
    static std::optional<SerialDevice> lookUp(const QList<SerialDevice>& present, const QString& path);

    // Where a device that was open is now. The stable name decides where there is one; else the
    // serial number, when exactly one device present has it (or several and one sits at the old
    // node). Without either the device cannot be told from another, and nothing is found.
    static std::optional<SerialDevice> findSame(const QList<SerialDevice>& present, const SerialDevice& was);

private:
    static bool names(const QString& value, const SerialDevice& device);

    Profile& m_profile;
    const SerialDevices& m_devices;
};
