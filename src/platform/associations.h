// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// The desktop's associations. A command is the program's path and its leading arguments
// ("/usr/bin/flatpak", "run", "org.gnome.TextEditor"); the document goes after them.
class Associations
{
public:
    virtual ~Associations() = default;
    // The command the desktop opens the document with; empty when there is none.
    virtual QStringList commandFor(const QString& documentPath) const = 0;
    // The plain-text editor to open listings in; empty when none is found.
    virtual QStringList textEditor() const = 0;
};
