// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// The help viewer: shows the help file at its contents, non-modal, and returns at once.
class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    virtual void showHelp(QWidget* owner, const QString& helpFile) = 0;
};
