// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the commands show the user besides the terminal: the status bar text and the
// progress bar. The main window is the real one.
class Surface
{
public:
    virtual ~Surface() = default;
    virtual void setStatusText(const QString& text) = 0;
    virtual void setProgressValue(float percent) = 0;
    virtual void setProgressVisible(bool visible) = 0;
};
