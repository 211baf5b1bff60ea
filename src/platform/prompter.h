// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

// Questions and reports the user asked for by a command: a line too long to upload, a large
// paste, a log file that exists, the lines the board refused. Errors nobody asked about go to
// the status bar instead.
class Prompter
{
public:
    enum class Answer { First, Second, Cancel };
    // A button a report may carry; it runs when pressed, the report staying open.
    struct Action
    {
        QString label; // empty: no button
        std::function<void()> run;
    };

    virtual ~Prompter() = default;
    // Asks modally with two answers besides Cancel; closing the box is Cancel.
    virtual Answer ask(const QString& title, const QString& text, const QString& first, const QString& second) = 0;
    // Shows a text too long for the status bar (one entry a line) in a window; returns at once.
    virtual void showReport(const QString& title, const QString& text, const Action& action = {}) = 0;
};
