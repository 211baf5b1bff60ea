// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/uploadsetup.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

UploadSetup::UploadSetup(QWidget& mainWindow, Pacing pacing, QWidget* parent)
    : QDialog(parent, Qt::Window), m_mainWindow(&mainWindow)
{
    // A frame of its own rather than one tied to the main window, which is hidden meanwhile.
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("UploadSetup"));
    setWindowTitle(tr("Upload"));

    auto* label = new QLabel(tr("After each line of Load, Merge or a paste:"), this);
    m_optFixed = new QRadioButton(tr("Wait 1 second"), this);
    m_optFixed->setObjectName(QStringLiteral("optFixed"));
    m_optPrompt = new QRadioButton(tr("Go on at the board's prompt (at most 1 second)"), this);
    m_optPrompt->setObjectName(QStringLiteral("optPrompt"));
    QRadioButton* chosen = pacing == Pacing::Prompt ? m_optPrompt : m_optFixed;
    chosen->setChecked(true);
    chosen->setFocus(); // the arrows change the choice, Return takes it

    m_cmdOK = new QPushButton(tr("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(tr("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

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
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
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
    accept();
}

void UploadSetup::done(int result)
{
    // OK, Cancel, Escape and the frame's close box all end here; the main window must come back.
    if (!m_finished) {
        m_finished = true;
        if (m_mainWindow) m_mainWindow->show();
    }
    QDialog::done(result);
}
