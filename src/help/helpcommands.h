// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class QWidget;
class Associations;
class FileDialog;
class HelpViewer;
class Launcher;
class Surface;

// The menu entries that open material living outside Korvel: its help file (? / Help), the
// interpreter's manual (? / Intel B-52 Manual) and a listing in the desktop's text editor
// (File / Edit Program). Nothing here waits for what it starts.
//
// Programs are started directly with the document as one argument, never through a shell, so
// a path with blanks or shell characters reaches the program exactly as chosen.
class HelpCommands
{
    Q_DECLARE_TR_FUNCTIONS(HelpCommands)

public:
    static constexpr auto kHelpFileName = "korvel.hlp";
    static constexpr auto kManualFileName = "bas52man_.pdf";

    HelpCommands(Launcher& launcher, Associations& associations, HelpViewer& helpViewer, FileDialog& fileDialog,
                 Surface& surface, QString applicationDir);

    // Opens the help file at its contents page, owned by owner (the main window).
    void showHelp(QWidget* owner);
    // Opens the manual with the desktop's program for PDF files; the status bar says why when it cannot.
    void showManual();
    // Lets the user pick a file (the dialog proposes the last name chosen) and opens it in the text editor.
    void editProgram();

    // Beside the executable in a build tree, else in ../share/korvel as installed; a missing file
    // is named where it is installed.
    QString helpFilePath() const;
    // The folders the manual is looked for in, first match wins: the user's own copy, one for all
    // users, one a distribution ships, then documents/ beside the executable in a build tree.
    // Korvel never writes to any of them.
    QStringList manualFolders() const;

private:
    // command is never empty: the program, then its leading arguments.
    bool start(QStringList command, const QString& document);

    Launcher& m_launcher;
    Associations& m_associations;
    HelpViewer& m_helpViewer;
    FileDialog& m_fileDialog;
    Surface& m_surface;
    QString m_applicationDir;
};
