// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/programupload.h"

#include <QDialog>
#include <QPointer>

class QPushButton;
class QRadioButton;

// The upload dialog ("Upload" in the Settings menu): how Load, Merge and a paste wait after each
// line. It shows the pacing it is given and hands the choice back through accepted() on OK; the
// main window keeps it and has SettingsFile store it. Like the other dialogs it hides the main
// window while it is open, brings it back however it closes (OK or Return, Cancel or Escape, the
// frame), and deletes itself.
class UploadSetup : public QDialog
{
    Q_OBJECT
public:
    UploadSetup(QWidget& mainWindow, Pacing pacing, QWidget* parent = nullptr);

    // The menu entry: hides the main window and shows a fresh dialog, owned by the main window.
    static UploadSetup* open(QWidget& mainWindow, Pacing pacing);

public slots:
    void done(int result) override;

signals:
    void accepted(Pacing pacing);

private:
    void confirm();

    QPointer<QWidget> m_mainWindow;
    bool m_finished = false;
    QRadioButton* m_optFixed = nullptr;  // 1.0 s after each line
    QRadioButton* m_optPrompt = nullptr; // at the board's prompt
    QPushButton* m_cmdOK = nullptr;      // the default button
    QPushButton* m_cmdCancel = nullptr;
};
