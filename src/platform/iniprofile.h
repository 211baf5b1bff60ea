// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/profile.h"

#include <QString>

// The settings file on disk, read and written the way the Windows private-profile functions do:
// "[Section]" lines open sections, "key=value" lines hold entries, names match without regard to
// case and the first match wins. The file is bytes, one character each (Latin-1); CR LF and LF
// line ends are both read, and a write keeps the style the file already has.
//
// Every call reads the file afresh: it is touched twice per run, and another program (or the
// user's editor) may have changed it in between.
class IniProfile : public Profile
{
public:
    explicit IniProfile(QString path);

    QString path() const { return m_path; }

    // "Korvel.ini" in the user's configuration folder (XDG_CONFIG_HOME on Linux).
    static QString defaultPath();
    // One profile per board: "Korvel-NAME.ini" beside Korvel.ini; Korvel.ini itself for no name.
    static QString profilePath(const QString& name);
    // Letters, digits, "-" and "_", at most kMaxProfileName of them: a name that cannot leave
    // the folder or make a file name the system refuses.
    static bool isProfileName(const QString& name);
    static constexpr int kMaxProfileName = 64;

    // Size <= 0 gives an empty string; a matching pair of quotes around the value is removed.
    QString readString(const QString& section, const QString& key, const QString& defaultValue,
                       int size) const override;

    // The new file is written beside the old one and renamed over it, so the old file stays whole
    // when the disk is full or the program dies halfway. Returns false, writing nothing, for names
    // that the file could not hold (empty, not Latin-1, a line end, "]" in a section or "=" in a
    // key), a value with a line end, or a file that cannot be read or written. Characters of a value
    // outside Latin-1 are written as "?", as the serial line sends them.
    bool writeString(const QString& section, const QString& key, const QString& value) override;

private:
    QString m_path;
};
