// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/portsdialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The stable name runs longest, so it comes last and takes what room is left.
enum Column { kPort, kDevice, kMaker, kProduct, kSerialNumber, kStableName, kColumns };

} // namespace

PortsDialog::PortsDialog(const QList<PortMap::Row>& rows, QWidget* parent) : QDialog(parent)
{
    setObjectName(u"Ports"_s);
    setWindowTitle(tr("Ports"));

    auto* intro = new QLabel(tr("Give the board's adapter a port number; Settings, ComPort then opens it by that "
                                "number. The number stays with the adapter when it is plugged in elsewhere."),
                             this);
    intro->setWordWrap(true);

    m_tblPorts = new QTableWidget(0, kColumns, this);
    m_tblPorts->setObjectName(u"tblPorts"_s);
    m_tblPorts->setHorizontalHeaderLabels(
        {tr("Port"), tr("Device"), tr("Maker"), tr("Product"), tr("Serial number"), tr("Stable name")});
    m_tblPorts->verticalHeader()->hide();
    m_tblPorts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tblPorts->setSelectionMode(QAbstractItemView::NoSelection);
    m_tblPorts->horizontalHeader()->setStretchLastSection(true);
    m_tblPorts->setWordWrap(false);
    m_tblPorts->setAccessibleName(tr("Serial devices"));
    // Tab leaves the table for its port boxes and the buttons; the arrows move between its cells.
    m_tblPorts->setTabKeyNavigation(false);

    m_lblMessage = new QLabel(this);
    m_lblMessage->setObjectName(u"lblMessage"_s);
    m_lblMessage->setWordWrap(true);

    m_cmdRefresh = new QPushButton(tr("Refresh"), this);
    m_cmdRefresh->setObjectName(u"cmdRefresh"_s);
    m_cmdClose = new QPushButton(tr("Close"), this);
    m_cmdClose->setObjectName(u"cmdClose"_s);
    m_cmdClose->setDefault(true);
    connect(m_cmdRefresh, &QPushButton::clicked, this, &PortsDialog::refreshRequested);
    connect(m_cmdClose, &QPushButton::clicked, this, &PortsDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdRefresh);
    buttons->addStretch();
    buttons->addWidget(m_cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_tblPorts);
    layout->addWidget(m_lblMessage);
    layout->addLayout(buttons);
    resize(960, 300);

    showRows(rows);
    m_tblPorts->setFocus();
}

PortsDialog* PortsDialog::openFor(QWidget& mainWindow, const QList<PortMap::Row>& rows)
{
    auto* dialog = new PortsDialog(rows, &mainWindow);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The main window stays in sight, so a port that comes back meanwhile is seen in its status bar.
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    return dialog;
}

void PortsDialog::showRows(const QList<PortMap::Row>& rows, const QString& message)
{
    // A choice's box is still in its signal here: the view deletes the boxes it replaces later.
    m_rows = rows;
    m_tblPorts->setRowCount(int(m_rows.size()));
    for (int row = 0; row < m_rows.size(); ++row) {
        const PortMap::Row& entry = m_rows.at(row);
        const SerialDevice& device = entry.device;
        auto* port = new QComboBox(m_tblPorts);
        port->setObjectName(u"port%1"_s.arg(row));
        // Index n is port n; a device without a number opens only by its place in the system's list.
        port->addItem(u"-"_s);
        for (int n = 1; n <= PortMap::kHighestPort; ++n)
            port->addItem(QString::number(n));
        port->setCurrentIndex(entry.port);
        if (!entry.entry.isEmpty()) port->setToolTip(u"Korvel.ini: %1=%2"_s.arg(entry.port).arg(entry.entry));
        port->setAccessibleName(tr("Port number of %1").arg(device.path));
        connect(port, &QComboBox::activated, this, [this, row](int index) { choose(row, index); });
        m_tblPorts->setCellWidget(row, kPort, port);

        const QStringList texts{device.path, entry.present ? device.manufacturer : tr("(not present)"), device.product,
                                device.serialNumber, device.stableName};
        for (int column = kDevice; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem(texts.at(column - kDevice));
            item->setToolTip(item->text()); // a long stable name is cut short in its cell
            m_tblPorts->setItem(row, column, item);
        }
    }
    // Boxes made now would come last in the Tab order, after Close.
    QWidget* before = m_tblPorts;
    for (int row = 0; row < m_rows.size(); ++row) {
        QWidget* port = m_tblPorts->cellWidget(row, kPort);
        setTabOrder(before, port);
        before = port;
    }
    setTabOrder(before, m_cmdRefresh);
    m_tblPorts->resizeColumnsToContents();
    m_lblMessage->setText(message.isEmpty() && m_rows.isEmpty() ? tr("No serial device is present.") : message);
}

void PortsDialog::choose(int row, int port)
{
    if (row >= m_rows.size() || m_rows.at(row).port == port) return;
    // A copy: whoever takes the choice gives the dialog new rows before it is done with the device.
    const SerialDevice device = m_rows.at(row).device;
    emit portChosen(device, port);
}
