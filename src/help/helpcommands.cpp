// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/helpcommands.h"

#include "platform/associations.h"
#include "platform/filedialog.h"
#include "platform/helpviewer.h"
#include "platform/launcher.h"
#include "terminal/surface.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

HelpCommands::HelpCommands(Launcher& launcher, Associations& associations, HelpViewer& helpViewer,
                           FileDialog& fileDialog, Surface& surface, QString applicationDir)
    : m_launcher(launcher), m_associations(associations), m_helpViewer(helpViewer), m_fileDialog(fileDialog),
      m_surface(surface), m_applicationDir(std::move(applicationDir))
{}

QString HelpCommands::helpFilePath() const
{
    const QString beside = m_applicationDir + u'/' + QLatin1StringView(kHelpFileName);
    if (QFileInfo(beside).isFile()) return beside;
    return QDir::cleanPath(m_applicationDir + u"/../share/korvel/"_s + QLatin1StringView(kHelpFileName));
}

QStringList HelpCommands::manualFolders() const
{
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QStringList folders{u"/usr/local/share/korvel"_s, u"/usr/share/korvel"_s};
    // Without a home folder there is no user data folder to name.
    if (!userData.isEmpty()) folders.prepend(userData + u"/korvel"_s);
    // A build tree is known by the help file beside the executable; installed, a documents/
    // folder in /usr/bin would be a strange place to suggest.
    if (QFileInfo(m_applicationDir + u'/' + QLatin1StringView(kHelpFileName)).isFile())
        folders.append(m_applicationDir + u"/documents"_s);
    return folders;
}

void HelpCommands::showHelp(QWidget* owner)
{
    m_helpViewer.showHelp(owner, helpFilePath());
}

void HelpCommands::showManual()
{
    // The manual is not ours to ship: the user puts it in one of these folders, so name them all
    // when it is missing, the home folder as ~ so that the usual three fit the status bar.
    const QString fileName = QLatin1StringView(kManualFileName);
    QString manual;
    QStringList folders = manualFolders();
    for (QString& folder : folders) {
        if (manual.isEmpty() && QFileInfo(folder + u'/' + fileName).isFile()) manual = folder + u'/' + fileName;
        if (folder.startsWith(QDir::homePath() + u'/')) folder.replace(0, QDir::homePath().size(), u"~"_s);
    }
    if (manual.isEmpty()) {
        m_surface.setStatusText(tr("Manual %1 not found in %2").arg(fileName, folders.join(u", "_s)));
        return;
    }
    const QStringList viewer = m_associations.commandFor(manual);
    if (viewer.isEmpty()) {
        m_surface.setStatusText(
            tr("No program to open PDF files is set up, so the manual cannot be shown: %1").arg(manual));
        return;
    }
    start(viewer, manual);
}

void HelpCommands::editProgram()
{
    // The dialog proposes the last file named by any command, and Cancel keeps it: the editor then
    // opens that earlier file, which is how the command has always behaved.
    const QString last = m_fileDialog.lastName();
    const QString name =
        m_fileDialog.ask({FileRequest::Mode::Open, FileDialog::kListingFilter, FileDialog::kListingSuffix, last})
            .value_or(last);
    if (name.isEmpty()) return;
    const QStringList editor = m_associations.textEditor();
    if (editor.isEmpty()) {
        m_surface.setStatusText(tr("No text editor was found to open %1").arg(name));
        return;
    }
    start(editor, name);
}

bool HelpCommands::start(QStringList command, const QString& document)
{
    const QString program = command.takeFirst();
    command.append(document);
    QString error;
    if (m_launcher.startDetached(program, command, &error)) return true;
    m_surface.setStatusText(error.isEmpty() ? tr("Cannot start %1 for %2").arg(program, document)
                                            : tr("Cannot start %1 for %2: %3").arg(program, document, error));
    return false;
}
