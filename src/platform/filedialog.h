// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// What one use of the file dialog asks for.
struct FileRequest
{
    enum class Mode { Open, Save };

    Mode mode = Mode::Open;
    QString filter;               // Qt's name filters, in English: "BASIC-52 listing (*.lis);;Text files (*.txt)"
    QString defaultSuffix;        // added to a name typed without one, e.g. "LIS"
    QString proposedName;         // the full path shown first; empty proposes none
    bool confirmOverwrite = true; // Save: the dialog asks before it replaces a file
};

// The one file dialog of the main window. It remembers the name of its last use: the chosen
// path, or the proposed name when the user cancelled, as Edit Program proposes it again.
class FileDialog
{
public:
    // The listings Korvel reads and writes; Merge offers its own kind alone. A filter is shown in
    // the user's language by the dialog itself, translated in the context FileDialog.
    static inline const QString kListingFilter = QStringLiteral(QT_TRANSLATE_NOOP(
        "FileDialog", "BASIC-52 listing (*.lis);;BASIC source (*.bas);;Text files (*.txt);;other files (*)"));
    static inline const QString kMergeFilter =
        QStringLiteral(QT_TRANSLATE_NOOP("FileDialog", "BASIC-52 Listing (*.lis)"));
    static inline const QString kListingSuffix = QStringLiteral("LIS");

    virtual ~FileDialog() = default;

    // Shows the dialog modally; nullopt when the user cancelled.
    std::optional<QString> ask(const FileRequest& request)
    {
        std::optional<QString> chosen = show(request);
        m_lastName = chosen.value_or(request.proposedName);
        return chosen;
    }
    QString lastName() const { return m_lastName; }

protected:
    virtual std::optional<QString> show(const FileRequest& request) = 0;

private:
    QString m_lastName;
};
