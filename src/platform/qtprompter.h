// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/prompter.h"

#include <QPointer>

class QPlainTextEdit;

// Questions as message boxes over the active window; the report in one reused read-only window.
class QtPrompter : public Prompter
{
public:
    QtPrompter() = default;
    ~QtPrompter() override;
    QtPrompter(const QtPrompter&) = delete;
    QtPrompter& operator=(const QtPrompter&) = delete;

    Answer ask(const QString& title, const QString& text, const QString& first, const QString& second) override;
    void showReport(const QString& title, const QString& text) override;

private:
    QPointer<QPlainTextEdit> m_report;
};
