// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings.h"

#include "board/programupload.h"
#include "common/numbers.h"
#include "platform/profile.h"
#include "platform/serialline.h"

#include <QString>

namespace {

const QString kComPort = QStringLiteral("ComPort");
const QString kBaud = QStringLiteral("Baud");
const QString kDatabits = QStringLiteral("Databits");
const QString kStopbits = QStringLiteral("Stopbits");
const QString kPort = QStringLiteral("Port");
const QString kMTop = QStringLiteral("MTop");
const QString kUpload = QStringLiteral("Upload");
const QString kPacing = QStringLiteral("Pacing");
const QString kPrompt = QStringLiteral("Prompt");
const QString kFixed = QStringLiteral("Fixed");
const QString kTerminal = QStringLiteral("Terminal");
const QString kFontSize = QStringLiteral("FontSize");

// The reader is asked for 20 characters, so at most 19 come back: twenty zeros before 9600 read as 0.
constexpr int kBufferSize = 20;
constexpr double kDefaultMTop = 32768.0;

Pacing readPacing(const Profile& profile)
{
    const QString value = profile.readString(kUpload, kPacing, QString(), kBufferSize);
    return value.compare(kPrompt, Qt::CaseInsensitive) == 0 ? Pacing::Prompt : Pacing::Fixed;
}

} // namespace

SettingsFile::SettingsFile(Profile& profile) : m_profile(profile) {}

double SettingsFile::load(SerialLine& line)
{
    const auto read = [this](const QString& section, const QString& key) {
        // Cut here as well, so a profile that returns more than it was asked for changes nothing.
        const QString text = m_profile.readString(section, key, QString(), kBufferSize).left(kBufferSize - 1);
        return numbers::readNumber(text);
    };
    line.setBaudRate(numbers::roundToInt32(read(kComPort, kBaud)));
    line.setDataBits(numbers::roundToInt32(read(kComPort, kDatabits)));
    line.setStopBits(numbers::roundToInt32(read(kComPort, kStopbits)));
    line.setPortNumber(numbers::roundToInt32(read(kComPort, kPort)));

    // The memory top keeps its fraction and its sign; only 0 (also missing or no number) means "unset".
    const double mtop = read(kMTop, kMTop);
    return mtop == 0.0 ? kDefaultMTop : mtop;
}

bool SettingsFile::save(const SerialLine& line, double mtop)
{
    // Deliberately no short-circuit: one failed write must not keep the others from being tried.
    bool ok = m_profile.writeString(kComPort, kBaud, numbers::signedText(line.baudRate()));
    ok &= m_profile.writeString(kComPort, kDatabits, numbers::signedText(line.dataBits()));
    ok &= m_profile.writeString(kComPort, kStopbits, numbers::signedText(line.stopBits()));
    ok &= m_profile.writeString(kComPort, kPort, numbers::signedText(line.chosenPort()));
    ok &= m_profile.writeString(kMTop, kMTop, numbers::signedText(mtop));
    return ok;
}

Pacing SettingsFile::pacing() const
{
    return readPacing(m_profile);
}

bool SettingsFile::savePacing(Pacing pacing)
{
    return m_profile.writeString(kUpload, kPacing, pacing == Pacing::Prompt ? kPrompt : kFixed);
}

double SettingsFile::fontSize() const
{
    return numbers::readNumber(m_profile.readString(kTerminal, kFontSize, QString(), kBufferSize));
}

bool SettingsFile::saveFontSize(double points)
{
    return m_profile.writeString(kTerminal, kFontSize, QString::number(points));
}
