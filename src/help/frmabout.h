// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

// The About box (menu ?, About): title, version, a picture and a short notice. Its one button is
// both the default and the cancel button, so Enter and Escape close it; however it goes away,
// the main window is shown again.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    static constexpr auto kTitle = "Korvel";

    // Loading happens here: caption, version and title are set in that order.
    explicit frmAbout(QWidget& mainWindow, QWidget* parent = nullptr);

    // What the About menu entry calls: a fresh box, shown non-modal and deleted when it closes;
    // the main window is hidden only once the box is on screen, so the two are never both hidden.
    static frmAbout* openFor(QWidget& mainWindow);

    // "Version 1.2.10": plain numbers, no leading zeros.
    static QString versionText();

public slots:
    void done(int result) override;

private:
    void buildControls();

    QPointer<QWidget> m_mainWindow;
    bool m_finished = false;

    QLabel* m_picIcon = nullptr;
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblDescription = nullptr;
    QLabel* m_lblDisclaimer = nullptr;
    QPushButton* m_cmdOK = nullptr; // default and cancel button
};
