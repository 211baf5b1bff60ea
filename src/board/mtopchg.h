// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>
#include <optional>

class QLineEdit;
class QPushButton;

// The memory-top dialog ("MTOP" in the Settings menu): shows the main window's memory top, and on
// OK with a value the board can take hands it back through accepted(); the main window keeps it
// and has BoardCommands send it to the board. The dialog itself sends nothing.
// While it is open the main window is hidden; however it goes away (OK, Return, Cancel, Escape,
// the frame's close box) the main window comes back. It deletes itself when closed. A dialog to
// screen readers, but with the ordinary sizable frame it has always had.
class MTopChg : public QDialog
{
    Q_OBJECT
public:
    // The load step runs here: the main window is hidden and Text1 shows mtop.
    MTopChg(QWidget& mainWindow, double mtop, QWidget* parent = nullptr);

    // The menu entry: hides the main window and shows a fresh dialog, owned by the main window.
    static MTopChg* open(QWidget& mainWindow, double mtop);

    // The value OK takes from the text: read leniently, accepted when 0 < value < 65535.
    static std::optional<double> acceptedValue(const QString& text);

public slots:
    void done(int result) override;

signals:
    // The number as read, not the text as typed: "1000abc" gives 1000.
    void accepted(double mtop);

private:
    void confirm();

    QPointer<QWidget> m_mainWindow;
    bool m_finished = false;
    double m_mtop;
    QLineEdit* m_text1 = nullptr;      // the memory top as text
    QPushButton* m_command1 = nullptr; // OK, the default button
    QPushButton* m_command2 = nullptr; // Cancel
};
