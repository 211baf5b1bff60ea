// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/filedialog.h"

// The file dialog over Qt's: modal to the active window, so the main loop (and with it the
// serial line) keeps running while it is open. The Save dialog asks before it replaces a file,
// unless the request says the caller asks itself.
class QtFileDialog : public FileDialog
{
protected:
    std::optional<QString> show(const FileRequest& request) override;
};
