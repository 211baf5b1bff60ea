// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtprompter.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

QtPrompter::~QtPrompter()
{
    delete m_report;
}

Prompter::Answer QtPrompter::ask(const QString& title, const QString& text, const QString& first, const QString& second)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* firstButton = box.addButton(first, QMessageBox::AcceptRole);
    QPushButton* secondButton = second.isEmpty() ? nullptr : box.addButton(second, QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(firstButton);
    box.exec();
    if (box.clickedButton() == firstButton) return Answer::First;
    if (secondButton && box.clickedButton() == secondButton) return Answer::Second;
    return Answer::Cancel;
}

void QtPrompter::showReport(const QString& title, const QString& text)
{
    // One window, reused: a second report replaces the first rather than piling up windows.
    if (!m_report) {
        m_report = new QPlainTextEdit;
        m_report->setObjectName(QStringLiteral("report"));
        m_report->setReadOnly(true);
        m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        m_report->resize(640, 360);
    }
    m_report->setWindowTitle(title);
    m_report->setPlainText(text);
    m_report->show();
    m_report->raise();
    m_report->activateWindow();
}
