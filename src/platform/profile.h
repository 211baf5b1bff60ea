// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The private-profile (INI) file: sections and keys matched without regard to case.
class Profile
{
public:
    virtual ~Profile() = default;
    // The value of key in section, trimmed of surrounding blanks and cut to size - 1
    // characters; defaultValue (cut the same way) when the file, section or key is missing.
    virtual QString readString(const QString& section, const QString& key, const QString& defaultValue,
                               int size) const = 0;
    // Creates the file, section or key as needed and replaces an existing value in place,
    // leaving every other line as it was. False when the file could not be written; the
    // old file is then untouched.
    virtual bool writeString(const QString& section, const QString& key, const QString& value) = 0;
};
