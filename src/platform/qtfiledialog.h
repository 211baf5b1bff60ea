#pragma once

#include "platform/filedialog.h"

#include <QStringList>

// The file dialog over Qt's: modal to the active window, so the main loop (and with it the
// serial line) keeps running while it is open. The Save dialog asks before it replaces a file.
class QtFileDialog : public FileDialog
{
public:
    // "BASIC-52 listing (*.lis)|*.lis|other files (*.*)|*.*" -> Qt's name filters.
    static QStringList nameFilters(const QString& filter);

protected:
    std::optional<QString> ask(Mode mode) override;
};
