// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/programtext.h"

#include <QMap>

namespace programtext {

namespace {

template<typename View> View digitsOf(View line)
{
    qsizetype start = 0;
    while (start < line.size() && (line[start] == u' ' || line[start] == u'\t'))
        ++start;
    qsizetype end = start;
    while (end < line.size() && line[end] >= u'0' && line[end] <= u'9')
        ++end;
    return line.sliced(start, end - start);
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The number and the statement behind it, the statement trimmed.
struct NumberedLine
{
    int number;
    QStringView statement;
};

std::optional<NumberedLine> numbered(QStringView line)
{
    const std::optional<int> number = lineNumber(line);
    if (!number) return std::nullopt;
    const QStringView digits = numberDigits(line);
    const qsizetype after = digits.data() - line.data() + digits.size();
    return NumberedLine{*number, line.sliced(after).trimmed()};
}

} // namespace

QStringView numberDigits(QStringView line)
{
    return digitsOf(line);
}

QByteArrayView numberDigits(QByteArrayView line)
{
    return digitsOf(line);
}

std::optional<int> lineNumber(QStringView line)
{
    const QStringView digits = numberDigits(line);
    // More than five digits are above 65535 whatever they say; checking first keeps the sum in range.
    if (digits.isEmpty() || digits.size() > 5) return std::nullopt;
    const int number = digits.toInt();
    if (number > kMaxLineNumber) return std::nullopt;
    return number;
}

QByteArray compactLine(QByteArrayView line)
{
    const QByteArrayView digits = numberDigits(line);
    QByteArray out;
    out.reserve(line.size());
    QByteArrayView statement = line;
    if (!digits.isEmpty()) {
        out = digits.toByteArray();
        out += ' ';
        statement = line.sliced(digits.data() - line.data() + digits.size());
    }
    bool inString = false;
    int plainRun = 0; // characters kept outside strings in a row: a REM is three of them
    for (qsizetype i = 0; i < statement.size(); ++i) {
        const char c = statement[i];
        if (c == '"') {
            inString = !inString;
            plainRun = 0;
            out += c;
            continue;
        }
        if (inString) {
            out += c;
            continue;
        }
        if (c == ' ' || c == '\t') continue;
        out += c;
        // Anything that ends in REM outside a string is taken for one, even inside a longer word:
        // where the board sees no REM it drops the blanks kept here anyway, so that errs on the safe side.
        if (++plainRun >= 3 && QByteArrayView(out).last(3).compare("REM", Qt::CaseInsensitive) == 0) {
            out += statement.sliced(i + 1);
            break;
        }
    }
    // The board drops trailing blanks, even a REM's.
    while (!out.isEmpty() && (out.back() == ' ' || out.back() == '\t'))
        out.chop(1);
    return out;
}

QString comparable(QStringView statement)
{
    QString out;
    out.reserve(statement.size());
    bool inString = false;
    for (const QChar c : statement.trimmed()) {
        if (c == u'"') inString = !inString;
        if (inString || c == u'"')
            out += c;
        else if (!isBlank(c))
            out += c.toUpper();
    }
    return out;
}

bool isListingLine(QStringView line)
{
    const std::optional<NumberedLine> parsed = numbered(line.trimmed());
    if (!parsed || parsed->statement.isEmpty()) return false;
    const QChar first = parsed->statement.front();
    return first == u'$' || (first.toLatin1() >= 'A' && first.toLatin1() <= 'Z') ||
           (first.toLatin1() >= 'a' && first.toLatin1() <= 'z');
}

bool isListing(QStringView text)
{
    for (QStringView line : text.split(u'\n')) {
        line = line.trimmed();
        if (!line.isEmpty() && !isListingLine(line)) return false;
    }
    return true;
}

Comparison compareProgram(const QStringList& fileLines, const QStringList& boardLines)
{
    // What the file leaves on the board, in the order the board would file it.
    QMap<int, QString> file;
    for (const QString& line : fileLines) {
        const std::optional<NumberedLine> parsed = numbered(line);
        if (!parsed) continue;
        if (parsed->statement.isEmpty())
            file.remove(parsed->number);
        else
            file.insert(parsed->number, line.trimmed());
    }
    QMap<int, QString> board;
    for (const QString& line : boardLines) {
        if (const std::optional<NumberedLine> parsed = numbered(line)) board.insert(parsed->number, line.trimmed());
    }

    Comparison result;
    result.fileLines = int(file.size());
    for (auto it = file.cbegin(); it != file.cend(); ++it) {
        const auto onBoard = board.constFind(it.key());
        if (onBoard == board.cend())
            result.missing.append({it.key(), *it, QString()});
        else if (comparable(numbered(*it)->statement) != comparable(numbered(*onBoard)->statement))
            result.differing.append({it.key(), *it, *onBoard});
    }
    for (auto it = board.cbegin(); it != board.cend(); ++it) {
        if (!file.contains(it.key())) result.extra.append({it.key(), QString(), *it});
    }
    return result;
}

} // namespace programtext
