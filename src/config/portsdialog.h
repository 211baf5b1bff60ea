// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/portmap.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;
class Profile;
class SerialDevices;

// The Ports dialog (menu Settings, Ports): every serial device present with its path, stable name,
// maker, product, serial number and the port number that [Ports] of Korvel.ini gives it, then the
// numbers mapped to paths that no device present answers to. Choosing a number for a device writes
// the map at once, by the device's stable name where it has one, so the number keeps meaning that
// adapter whatever node the kernel gives it. It shows only what PortMap lists; it never asks the
// system itself.
class PortsDialog : public QDialog
{
    Q_OBJECT
public:
    PortsDialog(Profile& profile, const SerialDevices& devices, QWidget* parent = nullptr);

    // What the Ports menu entry calls: a fresh dialog over the main window, deleted when it closes.
    static PortsDialog* openFor(QWidget& mainWindow, Profile& profile, const SerialDevices& devices);

signals:
    // Korvel.ini has a new [Ports] map; a port opened from now on follows it.
    void mapChanged();

private:
    void fill();
    void choose(int row, int port);

    PortMap m_map;
    QList<PortMap::Row> m_rows;
    QTableWidget* m_tblPorts = nullptr; // one row per device, the port number a drop-down box
    QLabel* m_lblMessage = nullptr;     // what the last choice did
    QPushButton* m_cmdRefresh = nullptr;
    QPushButton* m_cmdClose = nullptr;
};
