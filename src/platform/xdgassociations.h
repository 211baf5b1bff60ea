// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/associations.h"

#include <QString>

// The desktop's associations on Linux: xdg-mime names the default application's desktop entry
// for the document's MIME type, and that entry's Exec line, split once, is the command.
class XdgAssociations : public Associations
{
public:
    // xdgMime is the program asked for the desktop's default; empty asks nobody.
    explicit XdgAssociations(QString xdgMime = QStringLiteral("xdg-mime"));

    QStringList commandFor(const QString& documentPath) const override;
    // The desktop's default for plain text, else the first of the usual desktop editors on PATH.
    // Never a terminal editor: Korvel has no terminal to give it.
    QStringList textEditor() const override;

    // The desktop editors tried, in order, when the desktop names no default for plain text.
    static QStringList usualEditors();
    // The command of a desktop entry file: its Exec line split into arguments, quoting and escapes
    // undone, field codes (%f, %U...) dropped, the program looked up on PATH. Empty when the entry
    // runs in a terminal, is hidden, or its program is not installed.
    static QStringList commandOfEntry(const QString& path);
    static QStringList commandFromExec(const QString& exec);

private:
    QStringList defaultCommandFor(const QString& mimeType) const;

    QString m_xdgMime;
};
