// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtprompter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
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
        m_window = new QDialog;
        m_window->setObjectName(QStringLiteral("reportWindow"));
        m_report = new QPlainTextEdit(m_window);
        m_report->setObjectName(QStringLiteral("report"));
        m_report->setReadOnly(true);
        m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        m_report->setTabChangesFocus(true);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, m_window);
        QPushButton* close = buttons->button(QDialogButtonBox::Close);
        close->setObjectName(QStringLiteral("cmdClose"));
        // The text keeps the focus, for reading with the arrows; Return still closes.
        close->setDefault(true);
        m_action = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
        m_action->setObjectName(QStringLiteral("reportAction"));
        m_action->setAutoDefault(false);
        // The callback is looked up when pressed: a later report may have replaced it.
        QObject::connect(m_action, &QPushButton::clicked, m_window, [this] {
            if (const std::function<void()> run = m_run) run();
        });
        QObject::connect(buttons, &QDialogButtonBox::rejected, m_window, &QDialog::reject);
        auto* layout = new QVBoxLayout(m_window);
        layout->addWidget(m_report);
        layout->addWidget(buttons);
        m_window->resize(640, 360);
    }
    m_run = action.run;
    m_action->setText(action.label);
    m_action->setVisible(!action.label.isEmpty());
    m_window->setWindowTitle(title);
    m_report->setAccessibleName(title);
    m_report->setPlainText(text);
    m_report->setFocus();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
