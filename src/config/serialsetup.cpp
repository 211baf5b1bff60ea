// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/serialsetup.h"

#include "common/numbers.h"
#include "common/twips.h"
#include "platform/serialline.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr int kLastProbedPort = 6;

QComboBox* makeCombo(QWidget* parent, const QString& name, const QRect& geometry, const QStringList& items)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    // Enter in the box presses OK; it must not add what was typed to the list.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setGeometry(geometry);
    return box;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    // Desktop fonts on Linux run wider than the ones the layout was drawn for; a caption longer than
    // its box may run on into the free space to its right rather than be cut off.
    label->setGeometry(geometry.adjusted(0, 0, std::max(0, label->sizeHint().width() - geometry.width()), 0));
    return label;
}

QString defaultPortMapText()
{
    return SerialSetup::tr("Port 0 is the simulated board. Ports 1 and up open the devices listed in the section "
                           "[Ports] of Korvel.ini (for example 1=/dev/ttyUSB0), otherwise the system's serial ports "
                           "in order.");
}

} // namespace

SerialSetup::SerialSetup(QWidget& mainWindow, SerialLine& line, QWidget* parent, PortMapText portMap)
    : QDialog(parent), m_mainWindow(&mainWindow), m_line(line)
{
    buildControls(portMap);
    load();
}

SerialSetup* SerialSetup::openFor(QWidget& mainWindow, SerialLine& line, PortMapText portMap)
{
    // No parent: the main window is hidden while the dialog is up, and a hidden owner would take
    // its transient child out of the task bar with it on some window managers.
    auto* dialog = new SerialSetup(mainWindow, line, nullptr, std::move(portMap));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}

void SerialSetup::buildControls(const PortMapText& portMap)
{
    setWindowTitle(tr("Serial Port Setup"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips::rect(0, 0, 5055, 1560).size());

    m_combo5 = makeCombo(this, u"Combo5"_s, twips::rect(120, 120, 735, 315), {u"1"_s, u"2"_s});
    m_combo1 = makeCombo(
        this, u"Combo1"_s, twips::rect(1080, 120, 1215, 315),
        {u"300"_s, u"1200"_s, u"2400"_s, u"4800"_s, u"9600"_s, u"19200"_s, u"38400"_s, u"57600"_s, u"115200"_s});
    m_combo2 = makeCombo(this, u"Combo2"_s, twips::rect(2520, 120, 735, 315), {u"7"_s, u"8"_s, u"9"_s});
    makeLabel(this, u"Label6"_s, u"N"_s, twips::rect(3480, 120, 495, 315)) // parity, never chosen
        ->setAccessibleName(tr("Parity N"));
    m_combo4 = makeCombo(this, u"Combo4"_s, twips::rect(4200, 120, 735, 315), {u"1"_s, u"1.5"_s, u"1,5"_s, u"2"_s});
    // Each caption under its box names the box to a screen reader.
    makeLabel(this, u"Label5"_s, tr("ComPort"), twips::rect(120, 480, 735, 255))->setBuddy(m_combo5);
    makeLabel(this, u"Label1"_s, tr("Baud Rate"), twips::rect(1200, 480, 855, 255))->setBuddy(m_combo1);
    //: The caption has always been German here, next to English ones.
    makeLabel(this, u"Label2"_s, tr("Datenbits"), twips::rect(2520, 480, 735, 255))->setBuddy(m_combo2);
    makeLabel(this, u"Label3"_s, tr("Parity"), twips::rect(3480, 480, 495, 255));
    makeLabel(this, u"Label4"_s, tr("Stopbits"), twips::rect(4200, 480, 735, 255))->setBuddy(m_combo4);

    m_cmdOK = new QPushButton(tr("OK"), this);
    m_cmdOK->setObjectName(u"cmdOK"_s);
    m_cmdOK->setGeometry(twips::rect(120, 1080, 1620, 390));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(tr("Cancel"), this);
    m_cmdCancel->setObjectName(u"cmdCancel"_s);
    m_cmdCancel->setGeometry(twips::rect(3360, 1080, 1620, 390));
    connect(m_cmdOK, &QPushButton::clicked, this, &SerialSetup::accept);
    connect(m_cmdCancel, &QPushButton::clicked, this, &SerialSetup::reject);

    // Numbers alone say little on Linux, so the port box tells which device each number opens.
    m_combo5->setToolTip(portMap ? portMap() : defaultPortMapText());

    // Tab goes as the eye reads: the boxes left to right, then the buttons. OK has the focus at
    // first, so Return takes the values as they are.
    setTabOrder(m_combo5, m_combo1);
    setTabOrder(m_combo1, m_combo2);
    setTabOrder(m_combo2, m_combo4);
    setTabOrder(m_combo4, m_cmdOK);
    setTabOrder(m_cmdOK, m_cmdCancel);
    m_cmdOK->setFocus(Qt::OtherFocusReason);
}

void SerialSetup::load()
{
    m_line.close();
    m_combo1->setEditText(QString::number(m_line.baudRate()));
    // The port chosen, not the probe's read-back: a port that is away now is still the user's choice.
    m_portShown = m_line.chosenPort();
    m_combo5->setEditText(QString::number(m_portShown));

    // A port that cannot be opened reads back something other than the number just written,
    // so the first such port ends the probe. Combo5 keeps the port read before it. The probe's
    // failures are expected and must not linger in the status bar as if the line had failed.
    const QSignalBlocker quiet(&m_line);
    for (int n = 1; n <= kLastProbedPort; ++n) {
        m_line.setPortNumber(n);
        m_line.open();
        const int readBack = m_line.portNumber();
        m_line.close();
        if (readBack != n) break;
    }

    m_combo2->setEditText(QString::number(m_line.dataBits()));
    m_combo4->setEditText(QString::number(m_line.stopBits()));
    if (m_mainWindow) m_mainWindow->hide();
}

void SerialSetup::accept()
{
    if (m_finished) return;
    // Every box is converted before anything is applied: a box that holds no number leaves the
    // line as the dialog found it, and the user gets that box back to correct.
    const std::array<QComboBox*, 4> boxes{m_combo1, m_combo5, m_combo2, m_combo4};
    std::array<int, 4> values{};
    const QLocale locale;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const auto value = numbers::localeToInt32(boxes[i]->currentText(), locale);
        if (!value) {
            boxes[i]->setFocus(Qt::OtherFocusReason);
            boxes[i]->lineEdit()->selectAll();
            return;
        }
        values[i] = *value;
    }

    m_line.setBaudRate(values[0]);
    m_line.setPortNumber(values[1]);
    m_line.setDataBits(values[2]);
    m_line.setStopBits(values[3]);
    finish();
    QDialog::accept();
}

void SerialSetup::reject()
{
    if (!m_finished) {
        // The probe left the last probed number in the port property; put back the port the user
        // saw, so the main window returns with the line as it was before the dialog.
        m_line.setPortNumber(m_portShown);
        finish();
    }
    QDialog::reject();
}

void SerialSetup::finish()
{
    m_finished = true;
    if (m_mainWindow) m_mainWindow->show();
    m_line.open();
}
