// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the number helpers: the lenient reading against a plain re-reading of its
// rules, the signed number text read back exactly, and the rounding against the C library's.
//
// Each input is read twice, as Latin-1 text (the settings file's bytes) and as UTF-16 (what a
// text box can hold), and its bytes are also taken 8 at a time as raw doubles, so NaNs, infinities
// and subnormals reach the writer and the rounding directly.

#include "common/numbers.h"

#include <QLocale>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

namespace {

[[noreturn]] void fail(const char* what, const QString& text, double expected, double got)
{
    std::fprintf(stderr, "fuzz_numbers: %s\n  text: \"%s\"\n  expected %.17g, got %.17g\n", what,
                 text.toUtf8().constData(), expected, got);
    std::abort();
}

// The rules as they read: blanks, tabs and line feeds are not part of the text at all; then the
// longest leading number. Written for clarity, not speed; the C library converts the digits.
double referenceRead(const QString& input)
{
    std::u16string text;
    for (const QChar c : input) {
        if (c != u' ' && c != u'\t' && c != u'\n') text += c.unicode();
    }
    const std::size_t n = text.size();
    const auto at = [&](std::size_t i) -> char16_t { return i < n ? text[i] : u'\0'; };
    const auto isDigitOf = [](char16_t c, int base) {
        if (c >= u'0' && c <= u'9') return c - u'0' < base;
        if (base == 16) return (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        return false;
    };

    if (at(0) == u'&') {
        int base = 0;
        if (at(1) == u'H' || at(1) == u'h') base = 16;
        if (at(1) == u'O' || at(1) == u'o') base = 8;
        if (base == 0) return 0.0;
        std::string digits;
        for (std::size_t i = 2; isDigitOf(at(i), base); ++i)
            digits += char(at(i));
        // Leading zeros do not make a value big; more than 16 significant digits always do.
        const std::size_t firstSignificant = digits.find_first_not_of('0');
        if (firstSignificant == std::string::npos) return 0.0;
        digits.erase(0, firstSignificant);
        if (digits.size() > 16) return 0.0;
        const unsigned long long value = std::strtoull(digits.c_str(), nullptr, base);
        return value > 0xFFFFFFFFull ? 0.0 : double(value);
    }

    // [sign] digits [point digits] | [sign] point digits, then E|D [sign] digits if digits follow.
    std::string number;
    std::size_t i = 0;
    if (at(i) == u'+' || at(i) == u'-') number += char(at(i++));
    std::size_t digitCount = 0;
    for (; isDigitOf(at(i), 10); ++i, ++digitCount)
        number += char(at(i));
    if (at(i) == u'.') {
        number += '.';
        for (++i; isDigitOf(at(i), 10); ++i, ++digitCount)
            number += char(at(i));
    }
    if (digitCount == 0) return 0.0;
    const char16_t e = at(i);
    if (e == u'E' || e == u'e' || e == u'D' || e == u'd') {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (at(j) == u'+' || at(j) == u'-') exponent += char(at(j++));
        const std::size_t firstDigit = j;
        for (; isDigitOf(at(j), 10); ++j)
            exponent += char(at(j));
        if (j > firstDigit) number += exponent;
    }
    const double value = std::strtod(number.c_str(), nullptr);
    // A number too big for a double reads as 0; one too small to be told from 0 is 0 anyway.
    return std::isinf(value) ? 0.0 : value;
}

std::optional<qint32> referenceRounded(double value)
{
    // nearbyint() rounds halves to even in the default rounding mode, which nothing here changes.
    if (std::isnan(value)) return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < -2147483648.0 || rounded > 2147483647.0) return std::nullopt;
    return qint32(rounded);
}

qint32 referenceRound(double value)
{
    return referenceRounded(value).value_or(0);
}

void checkRound(double value)
{
    const qint32 got = numbers::roundToInt32(value);
    if (got != referenceRound(value)) fail("roundToInt32 differs from nearbyint", QString(), value, got);
}

void checkSignedText(double value)
{
    const QString text = numbers::signedText(value);
    if (text.size() < 2 || (text[0] != u' ' && text[0] != u'-'))
        fail("signedText lacks its sign place", text, value, 0);
    for (qsizetype i = 1; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'E' || c == u'+' || c == u'-'))
            fail("signedText has a stray character", text, value, 0);
    }
    if (text[1] == u'.') fail("signedText has no 0 before its point", text, value, 0);
    if (!std::isfinite(value)) {
        if (text != QStringLiteral(" 0")) fail("signedText of NaN or infinity is not \" 0\"", text, 0, 0);
        return;
    }
    if ((value < 0) != (text[0] == u'-') && value != 0) fail("signedText has the wrong sign", text, value, 0);
    if (std::fabs(value) < 1e15 && value == std::trunc(value) && (text.contains(u'.') || text.contains(u'E')))
        fail("signedText writes a whole number with a point or exponent", text, value, 0);
    const double back = numbers::readNumber(text);
    if (back != value) fail("signedText does not read back", text, value, back);
    if (back != referenceRead(text)) fail("signedText reads back differently in the reference", text, value, back);
}

void checkText(const QString& text)
{
    const double got = numbers::readNumber(text);
    const double expected = referenceRead(text);
    // Both are numbers (never NaN), so == is exact; -0 and 0 count as the same value.
    if (!(got == expected)) fail("readNumber differs from the reference", text, expected, got);
    checkSignedText(got);
    checkRound(got);

    // The dialog's locale conversion must not crash either, and it rounds like roundToInt32.
    static const QLocale kLocales[] = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)};
    for (const QLocale& locale : kLocales) {
        const std::optional<qint32> converted = numbers::localeToInt32(text, locale);
        bool ok = false;
        const double value = locale.toDouble(text.trimmed(), &ok);
        const std::optional<qint32> wanted = ok ? referenceRounded(value) : std::nullopt;
        if (converted != wanted)
            fail("localeToInt32 disagrees with toDouble and rounding", text, value, converted.value_or(-1));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    checkText(QString::fromLatin1(bytes, qsizetype(size)));
    QString wide(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(wide.data(), data, std::size_t(wide.size()) * sizeof(QChar));
    checkText(wide);
    for (std::size_t offset = 0; offset + sizeof(double) <= size; offset += sizeof(double)) {
        double value = 0;
        std::memcpy(&value, data + offset, sizeof value);
        checkSignedText(value);
        checkRound(value);
    }
    return 0;
}
