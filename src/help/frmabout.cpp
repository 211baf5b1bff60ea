// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/frmabout.h"

#include "common/twips.h"
#include "korvel_version.h"
#include "resources/appicon.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int kDarkBelow = 128; // HSL lightness under which a background counts as dark

QLabel* makeLabel(QWidget* parent, const QString& name, const QRect& geometry, bool black)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    // Black reads well on the light grey the box was drawn for; on a dark theme's background it
    // would vanish, and the theme's own text colour is used instead.
    if (black && label->palette().color(QPalette::Window).lightness() >= kDarkBelow) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
    }
    return label;
}

// One stroke of the etched separator: a line one pixel high in a fixed colour.
void makeLine(QWidget* parent, const QPoint& from, int toX, const QColor& colour)
{
    auto* line = new QFrame(parent);
    line->setObjectName(u"Line1"_s);
    line->setGeometry(from.x(), from.y(), toX - from.x() + 1, 1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
}

} // namespace

frmAbout::frmAbout(QWidget& mainWindow, QWidget* parent) : QDialog(parent), m_mainWindow(&mainWindow)
{
    buildControls();
    //: The caption has always been German, whatever the language; a translation may use its own.
    setWindowTitle(tr("Info zu %1").arg(QLatin1StringView(kTitle)));
    m_lblVersion->setText(versionText());
    m_lblTitle->setText(QLatin1StringView(kTitle));
}

frmAbout* frmAbout::openFor(QWidget& mainWindow)
{
    auto* about = new frmAbout(mainWindow);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->show();
    mainWindow.hide();
    return about;
}

QString frmAbout::versionText()
{
    return tr("Version %1").arg(QLatin1StringView(kKorvelVersion));
}

void frmAbout::buildControls()
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips::rect(0, 0, 5730, 3555).size());

    m_picIcon = makeLabel(this, u"picIcon"_s, twips::rect(240, 240, 1845, 1725), false);
    m_picIcon->setPixmap(aboutPicture());
    m_picIcon->setAccessibleName(tr("Korvel logo"));
    m_picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_lblTitle = makeLabel(this, u"lblTitle"_s, twips::rect(2250, 240, 2685, 480), true);
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);

    m_lblVersion = makeLabel(this, u"lblVersion"_s, twips::rect(2280, 780, 2685, 225), false);
    m_lblVersion->setText(tr("Version"));

    m_lblDescription = makeLabel(this, u"lblDescription"_s, twips::rect(2250, 1125, 2685, 1170), true);
    m_lblDescription->setWordWrap(true);
    m_lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblDescription->setText(tr("A terminal, program loader and control panel for 80C32 single-board computers "
                                 "running the MCS BASIC-52 interpreter."));

    // Grey above white: the two strokes read as one line etched into the dialog.
    makeLine(this, twips::rect(90, 2445, 0, 0).topLeft(), twips::toPixels(5654), QColor(128, 128, 128));
    makeLine(this, twips::rect(105, 2460, 0, 0).topLeft(), twips::toPixels(5654), Qt::white);

    m_lblDisclaimer = makeLabel(this, u"lblDisclaimer"_s, twips::rect(255, 2625, 3870, 825), true);
    m_lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblDisclaimer->setWordWrap(true);
    m_lblDisclaimer->setText(tr("Provided as is, without any warranty.\n"
                                "Keep copies of the programs on your board: Reset erases them."));

    m_cmdOK = new QPushButton(tr("OK"), this);
    m_cmdOK->setObjectName(u"cmdOK"_s);
    m_cmdOK->setGeometry(twips::rect(4245, 2625, 1260, 825));
    m_cmdOK->setDefault(true);
    // Escape reaches QDialog::reject() and Enter the default button; both end in done().
    connect(m_cmdOK, &QPushButton::clicked, this, &frmAbout::accept);
    m_cmdOK->setFocus(Qt::OtherFocusReason);
}

void frmAbout::done(int result)
{
    // The main window comes back first, whatever closed the box: the button, Enter, Escape or the frame.
    if (!m_finished) {
        m_finished = true;
        if (m_mainWindow) m_mainWindow->show();
    }
    QDialog::done(result);
}
