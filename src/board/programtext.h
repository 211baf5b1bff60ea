// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// BASIC-52 program text the way the board reads it. The interpreter ignores blanks and case outside
// strings, keeps a REM's text as typed, and takes no more than 78 typed characters into a line: from
// the 79th on it rings the bell for every character and drops it. LIST spreads a line out again
// (the number padded to column 7, blanks around keywords and colons), so a listed line is often
// longer than what was typed and would come back cut if sent as it stands.
namespace programtext {

inline constexpr int kInputLength = 78; // the board's input buffer
inline constexpr int kMaxLineNumber = 65535;

// The digits a line starts with, blanks before them skipped; empty when it starts with none.
QStringView numberDigits(QStringView line);
QByteArrayView numberDigits(QByteArrayView line);

// The number the board files the line under: nullopt without digits or above 65535 (refused).
std::optional<int> lineNumber(QStringView line);

// The shortest form the board takes for the same line: the number, one blank, the statement with
// the blanks outside strings removed, a REM's text as typed. Only blanks go; case is left alone.
QByteArray compactLine(QByteArrayView line);

// A statement as the board stores it, to compare one with another: blanks outside strings
// removed and letters outside strings in capitals, the ends trimmed.
QString comparable(QStringView statement);

// A line as LIST shows one: a line number, blanks, and a statement, which starts with a letter or
// "$". A program's output such as " 159 " or " 1  2 " is none.
bool isListingLine(QStringView line);
// Whether text is what LIST answers: every line that is not blank is a listing line. An empty
// program answers nothing, which is a listing too.
bool isListing(QStringView text);

// Verify Program: the board's program against the file it was loaded from.
struct LineDifference
{
    int number = 0;
    QString fileLine;  // empty: on the board only
    QString boardLine; // empty: in the file only
};

struct Comparison
{
    int fileLines = 0; // lines the file leaves on the board
    QList<LineDifference> missing, extra, differing;
    bool matches() const { return missing.isEmpty() && extra.isEmpty() && differing.isEmpty(); }
};

// Compares by line number as the board files lines: a later line replaces an earlier one with
// the same number, a number alone deletes it, and lines without a number (commands) or above
// 65535 store nothing. Statements are compared in their comparable() form.
Comparison compareProgram(const QStringList& fileLines, const QStringList& boardLines);

} // namespace programtext
