// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/numbers.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <string>

namespace numbers {

namespace {

// Walks the text as the lenient reading sees it: blanks, tabs and line feeds are not there at all,
// so "96 00" and "1 000" read as one number.
class Cursor
{
public:
    explicit Cursor(QStringView text) : m_text(text) {}

    // The next character that counts, or 0 at the end; anything outside ASCII ends the number too.
    char peek()
    {
        while (m_pos < m_text.size()) {
            const char16_t c = m_text[m_pos].unicode();
            if (c != u' ' && c != u'\t' && c != u'\n') return c < 128 ? char(c) : 0;
            ++m_pos;
        }
        return 0;
    }
    void advance() { ++m_pos; }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int digitValue(char c, int base)
{
    int value = base;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    return value < base ? value : -1;
}

double readInteger(Cursor& cursor, int base)
{
    constexpr quint64 kLimit = 0xFFFFFFFFu;
    quint64 value = 0;
    bool tooBig = false;
    // Keep eating digits after an overflow so that the whole run counts as one (oversized) number.
    for (int digit = digitValue(cursor.peek(), base); digit >= 0; digit = digitValue(cursor.peek(), base)) {
        if (!tooBig) {
            value = value * quint64(base) + quint64(digit);
            tooBig = value > kLimit;
        }
        cursor.advance();
    }
    return tooBig ? 0.0 : double(value);
}

std::optional<qint32> roundedInt32(double value)
{
    // Also false for NaN; within these bounds floor() and the halves below are exact.
    if (!(value > -2147483649.0 && value < 2147483648.0)) return std::nullopt;
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double rounded = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) rounded = floor + 1.0;
    if (rounded < -2147483648.0 || rounded > 2147483647.0) return std::nullopt;
    return qint32(rounded);
}

} // namespace

double readNumber(QStringView text)
{
    Cursor cursor(text);
    char c = cursor.peek();
    if (c == '&') {
        cursor.advance();
        c = cursor.peek();
        const int base = (c == 'H' || c == 'h') ? 16 : (c == 'O' || c == 'o') ? 8 : 0;
        if (base == 0) return 0.0;
        cursor.advance();
        return readInteger(cursor, base);
    }

    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        cursor.advance();
    }
    // from_chars gets a tidy copy: no sign, blanks gone, "e" for D, and a leading 0 so that
    // ".5" and "5." need no special cases.
    std::string number = "0";
    bool anyDigit = false;
    bool point = false;
    for (c = cursor.peek(); isDigit(c) || (c == '.' && !point); c = cursor.peek()) {
        anyDigit = anyDigit || isDigit(c);
        point = point || c == '.';
        number += c;
        cursor.advance();
    }
    if (!anyDigit) return 0.0;
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
        cursor.advance();
        std::string exponent = "e";
        c = cursor.peek();
        if (c == '+' || c == '-') {
            exponent += c;
            cursor.advance();
        }
        bool anyExponentDigit = false;
        for (c = cursor.peek(); isDigit(c); c = cursor.peek()) {
            exponent += c;
            anyExponentDigit = true;
            cursor.advance();
        }
        // "1E" or "1E+" is the number 1 followed by text.
        if (anyExponentDigit) number += exponent;
    }

    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    Q_UNUSED(end);
    if (error != std::errc() || !std::isfinite(value)) return 0.0;
    // Adding 0.0 turns "-0" into plain 0, which writes back as " 0".
    return (negative ? -value : value) + 0.0;
}

QString signedText(double value)
{
    if (!std::isfinite(value)) return QStringLiteral(" 0");
    const double magnitude = std::fabs(value);
    // Large enough for any double in fixed notation with at most 15 digits before the point.
    char buffer[64];
    char* const last = buffer + sizeof buffer;
    std::to_chars_result result{};
    if (magnitude < 1e15 && magnitude == std::trunc(magnitude)) {
        result = std::to_chars(buffer, last, magnitude, std::chars_format::fixed, 0);
    } else {
        result = std::to_chars(buffer, last, magnitude, std::chars_format::scientific);
        const std::string_view scientific(buffer, std::size_t(result.ptr - buffer));
        int exponent = 0;
        const auto e = scientific.find('e');
        std::from_chars(scientific.data() + e + 1 + (scientific[e + 1] == '+'), scientific.data() + scientific.size(),
                        exponent);
        // Plain digits while they stay short; " 0.00001" but " 1E-06", " 123456.75" but " 1.5E+15".
        if (exponent >= -5 && exponent < 15)
            result = std::to_chars(buffer, last, magnitude, std::chars_format::fixed);
        else
            buffer[e] = 'E';
    }
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    text.prepend(value < 0 ? QLatin1Char('-') : QLatin1Char(' '));
    return text;
}

qint32 roundToInt32(double value)
{
    return roundedInt32(value).value_or(0);
}

std::optional<qint32> localeToInt32(QString text, const QLocale& locale)
{
    text = text.trimmed();
    if (text.isEmpty()) return std::nullopt;
    bool ok = false;
    const double value = locale.toDouble(text, &ok);
    if (!ok) return std::nullopt;
    return roundedInt32(value);
}

} // namespace numbers
