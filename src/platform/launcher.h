// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Starts a program detached, never through a shell; the arguments reach it exactly as given.
class Launcher
{
public:
    virtual ~Launcher() = default;
    virtual bool startDetached(const QString& program, const QStringList& arguments, QString* error = nullptr) = 0;
};
