#pragma once

#include "platform/associations.h"

#include <QStringList>
#include <optional>

// The desktop's associations on Linux, after the freedesktop.org rules: the document's MIME type,
// the default application for it (asked of xdg-mime, else read from the mimeapps.list files and
// the mimeinfo.cache of the application folders), and the command of that application's desktop
// entry. An entry whose command needs more than the program ("flatpak run org.gnome.TextEditor")
// comes back as a command line quoted for QProcess::splitCommand(); a plain program as its path.
class XdgAssociations : public Associations
{
public:
    // xdgMime is the program asked first for the desktop's default; empty to rely on the files alone.
    explicit XdgAssociations(QString xdgMime = QStringLiteral("xdg-mime"));

    QString executableFor(const QString& documentPath) const override;
    // The desktop's default for plain text, else the first of the usual desktop editors on PATH.
    // Never a terminal editor: Korvel has no terminal to give it.
    QString textEditor() const override;

    // The desktop's default application for a MIME type, as a command (see above); empty when none.
    QString defaultCommandFor(const QString& mimeType) const;

    // The desktop editors tried, in order, when the desktop names no default for plain text.
    static QStringList usualEditors();

    struct DesktopEntry
    {
        QString exec;
        bool terminal = false;
        bool hidden = false;
    };
    // The [Desktop Entry] group of the file with that desktop id in the XDG application folders.
    static std::optional<DesktopEntry> findDesktopEntry(const QString& desktopId);
    static std::optional<DesktopEntry> readDesktopEntry(const QString& path);
    // The command of an Exec value: quoting and escapes undone, field codes (%f, %U...) dropped,
    // the program looked up on PATH. Empty when the program is not installed.
    static QString commandFromExec(const QString& exec);
    // The desktop ids named for a MIME type by the mimeapps.list files and mimeinfo.cache, best first.
    static QStringList desktopIdsFromFiles(const QString& mimeType);

private:
    QString askXdgMime(const QString& mimeType) const;
    QString commandOfDesktopId(const QString& desktopId) const;

    QString m_xdgMime;
};
