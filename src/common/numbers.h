// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

class QLocale;

// The number conventions shared by the settings file, the memory-top box and the board commands.
// Reading and writing never look at the locale: the settings file written on one machine must read
// back the same on any other. Only the serial settings dialog converts with the user's locale.
namespace numbers {

// Lenient reading: blanks, tabs and line feeds are skipped wherever they stand; the longest leading
// part that forms a number is taken: an optional sign, digits with at most one point and an optional
// exponent after E or D (either case), or an integer after "&H" (hexadecimal) or "&O" (octal).
// Text without such a part reads as 0, and so does a number that does not fit: a double whose
// exponent overflows or underflows, or a hexadecimal or octal value above FFFFFFFF. Hexadecimal and
// octal digits give the plain, non-negative value ("&HFFFF" is 65535, "&HFFFFFFFF" is 4294967295).
double readNumber(QStringView text);

// Signed number text: one blank before a number that is not negative, a minus sign before one that
// is; whole numbers below 1E+15 without a point; otherwise the shortest digits that read back to
// the same double, with a "0" before a leading point (" 0.5") and an exponent for very large or
// small magnitudes (" 1E+20", " 2.5E-07"). readNumber() reads every finite result back exactly;
// NaN and infinities give " 0".
QString signedText(double value);

// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4); NaN or a value whose rounding lies
// outside the 4-byte range gives 0.
qint32 roundToInt32(double value);

// The serial settings dialog's conversion: blanks around the number allowed, the locale's decimal
// and group separators as QLocale::toDouble() accepts them, then rounded halves to even. Empty
// text, text that is no number, NaN, infinities and results outside the 4-byte range give nullopt.
std::optional<qint32> localeToInt32(QString text, const QLocale& locale);

} // namespace numbers
