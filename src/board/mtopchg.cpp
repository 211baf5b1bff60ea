// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/mtopchg.h"

#include "common/numbers.h"
#include "common/twips.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QPushButton>

namespace {

QFont text1Font()
{
    const QString family = QStringLiteral("MS Sans Serif");
    QFont font =
        QFontDatabase::hasFamily(family) ? QFont(family) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(12);
    return font;
}

} // namespace

MTopChg::MTopChg(QWidget& mainWindow, double mtop, QWidget* parent)
    : QDialog(parent, Qt::Window), m_mainWindow(&mainWindow), m_mtop(mtop)
{
    setAttribute(Qt::WA_DeleteOnClose);
    //: The caption has always asked in German, whatever the language; a translation may ask in its own.
    setWindowTitle(tr("Bitte MTop angeben:"));
    resize(twips::toPixels(3720), twips::toPixels(1590));

    m_text1 = new QLineEdit(QStringLiteral("0"), this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(twips::rect(240, 240, 3255, 420));
    m_text1->setFont(text1Font());
    // No label stands beside the box; the caption asks for it in German.
    m_text1->setAccessibleName(tr("Memory top"));
    m_text1->setAccessibleDescription(tr("The interpreter's memory top, above 0 and below 65535"));

    m_command1 = new QPushButton(tr("OK"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setGeometry(twips::rect(240, 960, 1575, 375));

    m_command2 = new QPushButton(tr("Cancel"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command2->setGeometry(twips::rect(1920, 960, 1575, 375));

    // Return presses the button that has the focus, and OK from the text box; Escape is Cancel.
    m_command1->setDefault(true);
    setTabOrder(m_text1, m_command1);
    setTabOrder(m_command1, m_command2);
    m_text1->setFocus();

    connect(m_command1, &QPushButton::clicked, this, &MTopChg::confirm);
    connect(m_command2, &QPushButton::clicked, this, &QDialog::reject);

    mainWindow.hide();
    m_text1->setText(numbers::signedText(m_mtop));
}

MTopChg* MTopChg::open(QWidget& mainWindow, double mtop)
{
    mainWindow.hide();
    auto* dialog = new MTopChg(mainWindow, mtop, &mainWindow);
    dialog->show();
    return dialog;
}

std::optional<double> MTopChg::acceptedValue(const QString& text)
{
    // Written so that NaN is refused as well.
    const double value = numbers::readNumber(text);
    if (value > 0.0 && value < 65535.0) return value;
    return std::nullopt;
}

void MTopChg::confirm()
{
    // A refused value leaves the dialog open without a word, as the board's users know it.
    const std::optional<double> value = acceptedValue(m_text1->text());
    if (!value) return;
    emit accepted(*value);
    accept();
}

void MTopChg::done(int result)
{
    // OK, Cancel, Escape and the frame's close box all end here; the main window must come back.
    if (!m_finished) {
        m_finished = true;
        if (m_mainWindow) m_mainWindow->show();
    }
    QDialog::done(result);
}
