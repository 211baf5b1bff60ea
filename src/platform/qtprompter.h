// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/prompter.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class QPlainTextEdit;
class QPushButton;
class QWidget;

// Questions as message boxes over the active window; the report in one reused dialog: the text,
// read-only, a Close button (Escape and Return close it too) and the report's own button when it has one.
class QtPrompter : public Prompter
{
public:
    QtPrompter() = default;
    ~QtPrompter() override;
    QtPrompter(const QtPrompter&) = delete;
    QtPrompter& operator=(const QtPrompter&) = delete;

    Answer ask(const QString& title, const QString& text, const QString& first, const QString& second) override;
    void showReport(const QString& title, const QString& text, const Action& action = {}) override;

    // The report window once shown; null before.
    QDialog* reportWindow() const { return m_window; }

private:
    QPointer<QDialog> m_window;
    QPlainTextEdit* m_report = nullptr; // the text, owned by the window
    QPushButton* m_action = nullptr;    // the report's button, owned by the window
    std::function<void()> m_run;        // what it runs
};
