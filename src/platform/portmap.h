// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/serialdevices.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <optional>

class Profile;

// What a port number stands for. Port n from 1 up is the device named by key "n" of section
// [Ports] of Korvel.ini (any path: a device node, a stable /dev/serial/by-id name, a link to a
// pseudo-terminal), else the n-th serial device present, USB adapters first. Port 0 is the
// simulated board and stands for no device.
//
// A [Ports] value names a device when it is the device's node or stable name, or a link that
// resolves to the node (a udev rule's /dev/myboard): such a link is that device, not a path of its
// own. The map is read afresh on every question, so a change made in the Ports dialog counts at
// the next open; PortMap owns section [Ports] and writes it only in assign().
class PortMap
{
    Q_DECLARE_TR_FUNCTIONS(PortMap)

public:
    // The numbers the Ports dialog offers and the port tooltip lists.
    static constexpr int kHighestPort = 16;

    struct Row
    {
        int port = 0;        // the [Ports] key that names the device; 0 when none does
        SerialDevice device; // only the path for a mapped device that is not present
        bool present = false;
        QString entry; // the value of that key: the node, the stable name or a link to the node
    };

    // What assign() wrote. Each key is written on its own, so a full disk can stop it part-way.
    struct Assignment
    {
        QList<int> written;    // the [Ports] keys written, in order
        QList<int> notWritten; // the keys that could not be written
        QString message;       // for the user: the new map, or which numbers were written before it failed
        bool complete() const { return notWritten.isEmpty(); }
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

    // Maps port to the device and takes the device off every other number that named it, so it
    // keeps exactly one; port 0 only takes it off. The name written is the user's own link when a
    // key already names the device by one, else its stable name, else its node. Written at once,
    // the new number first: when the file cannot be written at all nothing changes, and a failure
    // after that leaves the device reachable by its new number.
    Assignment assign(const SerialDevice& device, int port);

    // One line per port number that opens something: "1: /dev/ttyUSB0 - FTDI FT232R USB UART,
    // serial A50285BI (/dev/serial/by-id/...)", after "0: the simulated board".
    QString describePorts() const;
    static QString describe(const SerialDevice& device);

    // The present device that path names: its node, its stable name or a link to the node.
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
