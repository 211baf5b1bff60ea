// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class SerialLine;

// The serial port settings dialog (menu Settings, ComPort). It reads its starting values from the
// line, probes ports 1 to 6, and on OK writes the four values back and reopens the line. It keeps
// nothing of its own: the values reach Korvel.ini only when the user later chooses Exit.
//
// While it is open the main window is hidden and the line is closed. Every way out (OK, Cancel,
// Escape, the frame's close button) shows the main window again and leaves the line open.
class SerialSetup : public QDialog
{
    Q_OBJECT
public:
    // Gives the tooltip of Combo5: which device each port number opens.
    using PortMapText = std::function<QString()>;

    // Loading happens here: closes the line, fills the boxes, probes the ports, hides mainWindow.
    SerialSetup(QWidget& mainWindow, SerialLine& line, QWidget* parent = nullptr, PortMapText portMap = {});

    // What the ComPort menu entry calls: a fresh dialog, shown non-modal, deleted when it closes.
    static SerialSetup* openFor(QWidget& mainWindow, SerialLine& line, PortMapText portMap = {});

    // The port number shown in Combo5 when the dialog opened; Cancel puts it back on the line.
    int portShownAtOpening() const { return m_portShown; }

public slots:
    void accept() override;
    void reject() override;

private:
    void buildControls(const PortMapText& portMap);
    void load();
    void finish();

    QPointer<QWidget> m_mainWindow; // hidden while the dialog is open
    SerialLine& m_line;
    int m_portShown = 0;
    bool m_finished = false;

    QComboBox* m_combo5 = nullptr;  // port number
    QComboBox* m_combo1 = nullptr;  // baud rate
    QComboBox* m_combo2 = nullptr;  // data bits
    QComboBox* m_combo4 = nullptr;  // stop bits
    QPushButton* m_cmdOK = nullptr; // default button, focus at start
    QPushButton* m_cmdCancel = nullptr;
};
