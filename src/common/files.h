// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// True when path names an ordinary file that is not hidden. Directories, missing files and
// any error in the check give false.
bool fileExists(const QString& path);

// Writes the whole of data to path through a temporary file renamed over it, so the old file
// stays whole unless the new one was written completely. False when anything fell short.
bool saveWholeFile(const QString& path, const QByteArray& data);
