// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/programupload.h"

#include <QPointer>
#include <QWidget>

class Profile;
class QPushButton;
class QRadioButton;

// The upload dialog ("Upload" in the Settings menu): how Load, Merge and a paste wait after each
// line. OK writes the choice to section "Upload" of Korvel.ini at once ("Pacing=Prompt" or
// "Pacing=Fixed") and says so through accepted(). Like the other dialogs it hides the main window
// while it is open, brings it back however it closes, and deletes itself.
class UploadSetup : public QWidget
{
    Q_OBJECT
public:
    UploadSetup(QWidget& mainWindow, Profile& profile, Pacing pacing, QWidget* parent = nullptr);

    // The menu entry: hides the main window and shows a fresh dialog, owned by the main window.
    static UploadSetup* open(QWidget& mainWindow, Profile& profile, Pacing pacing);

    // Missing or anything but "Prompt" (in any case) is the fixed pause.
    static Pacing readPacing(const Profile& profile);
    static bool writePacing(Profile& profile, Pacing pacing);

signals:
    // written: false when Korvel.ini could not be written; the choice holds for this run anyway.
    void accepted(Pacing pacing, bool written);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void confirm();

    QPointer<QWidget> m_mainWindow;
    Profile& m_profile;
    QRadioButton* m_optFixed = nullptr;  // 1.0 s after each line
    QRadioButton* m_optPrompt = nullptr; // at the board's prompt
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
