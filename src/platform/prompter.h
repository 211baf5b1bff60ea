// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Questions and reports the user asked for by a command: a line too long to upload, a large
// paste, a log file that exists, the lines the board refused. Errors nobody asked about go to
// the status bar instead.
class Prompter
{
public:
    enum class Answer { First, Second, Cancel };

    virtual ~Prompter() = default;
    // Asks modally with two answers besides Cancel; closing the box is Cancel.
    virtual Answer ask(const QString& title, const QString& text, const QString& first, const QString& second) = 0;
    // Shows a text too long for the status bar (one entry a line) in a window; returns at once.
    virtual void showReport(const QString& title, const QString& text) = 0;
};
