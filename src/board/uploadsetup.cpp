// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/uploadsetup.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

UploadSetup::UploadSetup(QWidget& mainWindow, Pacing pacing, QWidget* parent)
    : QWidget(parent, Qt::Window), m_mainWindow(&mainWindow)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("UploadSetup"));
    setWindowTitle(QStringLiteral("Upload"));

    auto* label = new QLabel(QStringLiteral("After each line of Load, Merge or a paste:"), this);
    m_optFixed = new QRadioButton(QStringLiteral("Wait 1 second"), this);
    m_optFixed->setObjectName(QStringLiteral("optFixed"));
    m_optPrompt = new QRadioButton(QStringLiteral("Go on at the board's prompt (at most 1 second)"), this);
    m_optPrompt->setObjectName(QStringLiteral("optPrompt"));
    (pacing == Pacing::Prompt ? m_optPrompt : m_optFixed)->setChecked(true);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setAutoDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_optFixed);
    layout->addWidget(m_optPrompt);
    layout->addLayout(buttons);

    connect(m_cmdOK, &QPushButton::clicked, this, &UploadSetup::confirm);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    mainWindow.hide();
}

UploadSetup* UploadSetup::open(QWidget& mainWindow, Pacing pacing)
{
    auto* dialog = new UploadSetup(mainWindow, pacing, &mainWindow);
    dialog->show();
    return dialog;
}

void UploadSetup::confirm()
{
    emit accepted(m_optPrompt->isChecked() ? Pacing::Prompt : Pacing::Fixed);
    close();
}

void UploadSetup::closeEvent(QCloseEvent* event)
{
    // OK, Cancel and the frame's close box all end here; the main window must come back.
    if (m_mainWindow) m_mainWindow->show();
    event->accept();
}
