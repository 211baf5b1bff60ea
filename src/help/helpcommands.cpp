#include "help/helpcommands.h"

#include "platform/associations.h"
#include "platform/filedialog.h"
#include "platform/helpviewer.h"
#include "platform/launcher.h"
#include "terminal/surface.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

HelpCommands::HelpCommands(Launcher& launcher, Associations& associations, HelpViewer& helpViewer,
                           FileDialog& fileDialog, Surface& surface, QString applicationDir)
    : m_launcher(launcher), m_associations(associations), m_helpViewer(helpViewer), m_fileDialog(fileDialog),
      m_surface(surface), m_applicationDir(std::move(applicationDir))
{}

QString HelpCommands::helpFilePath() const
{
    return m_applicationDir + u'/' + QLatin1StringView(kHelpFileName);
}

QString HelpCommands::manualPath() const
{
    return m_applicationDir + u'/' + QLatin1StringView(kManualRelativePath);
}

void HelpCommands::showHelp(QWidget* owner)
{
    m_helpViewer.showHelp(owner, helpFilePath());
}

void HelpCommands::showManual()
{
    const QString manual = manualPath();
    // The manual is not ours to ship; the user copies it there, so say where it was looked for.
    if (!QFileInfo(manual).isFile()) {
        m_surface.setStatusText(u"The manual was not found: "_s + manual);
        return;
    }
    const QStringList viewer = m_associations.commandFor(manual);
    if (viewer.isEmpty()) {
        m_surface.setStatusText(u"No program to open PDF files is set up, so the manual cannot be shown: "_s + manual);
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
        m_surface.setStatusText(u"No text editor was found to open "_s + name);
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
    m_surface.setStatusText(u"Cannot start "_s + program + u" for "_s + document +
                            (error.isEmpty() ? QString() : u": "_s + error));
    return false;
}
