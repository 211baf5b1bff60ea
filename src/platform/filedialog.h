#pragma once

#include <QString>
#include <optional>

// The one file dialog of the main window. Its members keep their values from one use
// to the next; a cancelled dialog leaves fileName as it was.
class FileDialog
{
public:
    virtual ~FileDialog() = default;

    QString fileName;   // proposed before showing, the chosen full path afterwards
    QString defaultExt; // added to a name typed without an extension, e.g. ".LIS"
    QString filter;     // "description|pattern|description|pattern..."

    void showOpen()
    {
        if (auto chosen = ask(Mode::Open)) fileName = *chosen;
    }
    void showSave()
    {
        if (auto chosen = ask(Mode::Save)) fileName = *chosen;
    }

protected:
    enum class Mode { Open, Save };
    // Shows the dialog modally; nullopt when the user cancelled.
    virtual std::optional<QString> ask(Mode mode) = 0;
};
