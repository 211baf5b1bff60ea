#include "help/helpcommands.h"

#include "platform/associations.h"
#include "platform/filedialog.h"
#include "platform/helpviewer.h"
#include "platform/launcher.h"
#include "terminal/surface.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

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

QStringList HelpCommands::manualCandidates() const
{
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QStringList folders{userData + u"/korvel"_s, u"/usr/local/share/korvel"_s, u"/usr/share/korvel"_s,
                        m_applicationDir + u"/documents"_s};
    // Without a home folder there is no user data folder to name.
    if (userData.isEmpty()) folders.removeFirst();
    for (QString& folder : folders)
        folder += u'/' + QLatin1StringView(kManualFileName);
    return folders;
}

void HelpCommands::showHelp(QWidget* owner)
{
    m_helpViewer.showHelp(owner, helpFilePath());
}

void HelpCommands::showManual()
{
    // The manual is not ours to ship: the user puts it in one of these, so name them all when it is missing.
    const QStringList candidates = manualCandidates();
    const auto found = std::find_if(candidates.begin(), candidates.end(),
                                    [](const QString& path) { return QFileInfo(path).isFile(); });
    if (found == candidates.end()) {
        m_surface.setStatusText(u"The manual was not found: "_s + candidates.join(u", "_s));
        return;
    }
    const QString manual = *found;
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
