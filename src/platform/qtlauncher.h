// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/launcher.h"

// Starts programs detached with QProcess: the arguments reach the program as given, no shell
// sees them, and Korvel neither waits for the program nor keeps a handle to it.
class QtLauncher : public Launcher
{
public:
    bool startDetached(const QString& program, const QStringList& arguments, QString* error = nullptr) override;
};
