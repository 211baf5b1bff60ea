// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/portmap.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

// The Ports dialog (menu Settings, Ports): every serial device present with its path, stable name,
// maker, product, serial number and the port number that [Ports] of Korvel.ini gives it, then the
// numbers mapped to paths that no device present answers to. It shows the rows PortMap lists and
// hands back the number the user chooses for a device; the main window has PortMap write it and
// gives the dialog the new rows and what the write did. It neither asks the system nor touches
// Korvel.ini itself.
class PortsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PortsDialog(const QList<PortMap::Row>& rows, QWidget* parent = nullptr);

    // What the Ports menu entry calls: a fresh dialog over the main window, deleted when it closes.
    static PortsDialog* openFor(QWidget& mainWindow, const QList<PortMap::Row>& rows);

    // The rows afresh, after a choice or Refresh, with what the choice did.
    void showRows(const QList<PortMap::Row>& rows, const QString& message = QString());

signals:
    // port 0: the device is to have no number.
    void portChosen(const SerialDevice& device, int port);
    void refreshRequested();

private:
    void choose(int row, int port);

    QList<PortMap::Row> m_rows;
    QTableWidget* m_tblPorts = nullptr; // one row per device, the port number a drop-down box
    QLabel* m_lblMessage = nullptr;     // what the last choice did
    QPushButton* m_cmdRefresh = nullptr;
    QPushButton* m_cmdClose = nullptr;
};
