// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtprompter.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QtPrompter::~QtPrompter()
{
    delete m_window;
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

void QtPrompter::showReport(const QString& title, const QString& text, const Action& action)
{
    // One window, reused: a second report replaces the first rather than piling up windows.
    if (!m_window) {
        m_window = new QWidget;
        m_window->setObjectName(QStringLiteral("reportWindow"));
        m_report = new QPlainTextEdit(m_window);
        m_report->setObjectName(QStringLiteral("report"));
        m_report->setReadOnly(true);
        m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        m_action = new QPushButton(m_window);
        m_action->setObjectName(QStringLiteral("reportAction"));
        // The callback is looked up when pressed: a later report may have replaced it.
        QObject::connect(m_action, &QPushButton::clicked, m_window, [this] {
            if (const std::function<void()> run = m_run) run();
        });
        auto* layout = new QVBoxLayout(m_window);
        layout->addWidget(m_report);
        layout->addWidget(m_action, 0, Qt::AlignRight);
        m_window->resize(640, 360);
    }
    m_run = action.run;
    m_action->setText(action.label);
    m_action->setVisible(!action.label.isEmpty());
    m_window->setWindowTitle(title);
    m_report->setPlainText(text);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
