// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/plotreader.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

bool isSeparator(char16_t c)
{
    return isBlank(c) || c == u',' || c == u';';
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isLetter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The board writes hexadecimal in capitals only; "ah" or "each" stay words.
bool isHexDigit(char16_t c)
{
    return isDigit(c) || (c >= u'A' && c <= u'F');
}

// Walks one line; every read either takes what it recognises or leaves the position alone.
class Scanner
{
public:
    explicit Scanner(QStringView line) : m_line(line) {}

    bool atEnd() const { return m_pos >= m_line.size(); }
    char16_t at(qsizetype offset = 0) const
    {
        const qsizetype i = m_pos + offset;
        return i < m_line.size() ? m_line[i].unicode() : u'\0';
    }
    void skip(bool (*what)(char16_t))
    {
        while (!atEnd() && what(at()))
            ++m_pos;
    }
    // A number ends at the end of the line or at a separator: " 1.5X" is no number the board wrote.
    bool endsHere(qsizetype offset) const
    {
        const qsizetype i = m_pos + offset;
        return i >= m_line.size() || isSeparator(m_line[i].unicode());
    }

    // "FFH", "0AH", "1234H": up to eight hexadecimal digits and an H.
    std::optional<double> hexNumber()
    {
        qsizetype n = 0;
        while (isHexDigit(at(n)))
            ++n;
        if (n == 0 || n > 8 || at(n) != u'H' || !endsHere(n + 1)) return std::nullopt;
        const double value = m_line.sliced(m_pos, n).toULongLong(nullptr, 16);
        m_pos += n + 1;
        return value;
    }

    // "-3", ".3", "1.2345679 E+8": the E may follow the digits or a blank after them, as the
    // board prints it; separated by a blank it needs its sign, so "1 E" stays two things.
    std::optional<double> decimalNumber()
    {
        std::string text;
        qsizetype n = 0;
        if (at(n) == u'-') text += char(at(n++));
        bool anyDigit = false, point = false;
        for (char16_t c = at(n); isDigit(c) || (c == u'.' && !point); c = at(++n)) {
            anyDigit = anyDigit || isDigit(c);
            point = point || c == u'.';
            text += char(c);
        }
        if (!anyDigit) return std::nullopt;
        qsizetype e = n;
        while (isBlank(at(e)))
            ++e;
        const bool blankBefore = e > n;
        if (at(e) == u'E' || (!blankBefore && at(e) == u'e')) {
            qsizetype digits = e + 1;
            const bool sign = at(digits) == u'+' || at(digits) == u'-';
            if (sign) ++digits;
            if (isDigit(at(digits)) && (sign || !blankBefore)) {
                text += 'e';
                if (sign) text += char(at(e + 1));
                for (n = digits; isDigit(at(n)); ++n)
                    text += char(at(n));
            } else if (!blankBefore) {
                return std::nullopt;
            }
        }
        if (!endsHere(n)) return std::nullopt;
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        // The board's numbers stay within 1E+127; anything beyond is no number it printed, and would
        // only upset the axes' arithmetic.
        if (error != std::errc() || end != text.data() + text.size() || !(std::abs(value) < 1e128)) return std::nullopt;
        m_pos += n;
        return value + 0.0; // "-0" plots as 0
    }

    std::optional<double> number()
    {
        // Hexadecimal first: "10H" is sixteen, not ten followed by an H.
        if (auto hex = hexNumber()) return hex;
        return decimalNumber();
    }

    // A word right before "=" or ":" (blanks between allowed): the label; the position then stands
    // after the sign. Anything else leaves the position where it was.
    std::optional<QStringView> label()
    {
        qsizetype n = 0;
        if (!isLetter(at(n))) return std::nullopt;
        while (isLetter(at(n)) || isDigit(at(n)) || at(n) == u'_')
            ++n;
        const qsizetype length = n;
        while (isBlank(at(n)))
            ++n;
        if ((at(n) != u'=' && at(n) != u':') || length > PlotReader::kMaxLabelLength) return std::nullopt;
        const QStringView word = m_line.sliced(m_pos, length);
        m_pos += n + 1;
        return word;
    }

private:
    QStringView m_line;
    qsizetype m_pos = 0;
};

// "1", "2", ...: shared strings for the usual few, so a line of numbers costs no allocation per name.
QString unlabelledName(int place)
{
    static const QStringList kNames = [] {
        QStringList names;
        for (int i = 1; i <= 16; ++i)
            names.append(QString::number(i));
        return names;
    }();
    return place <= kNames.size() ? kNames[place - 1] : QString::number(place);
}

} // namespace

PlotLine PlotReader::readLine(QStringView line)
{
    // The board puts a blank or a minus sign before every number it prints; a line that starts
    // with a digit is a listing line ("20     A=5").
    if (!line.isEmpty() && isDigit(line.front().unicode())) return {};
    PlotLine samples;
    int unlabelled = 0;
    Scanner scanner(line);
    for (scanner.skip(isSeparator); !scanner.atEnd(); scanner.skip(isSeparator)) {
        const std::optional<QStringView> label = scanner.label();
        if (label) scanner.skip(isBlank);
        const std::optional<double> value = scanner.number();
        if (!value) return {};
        if (!label) {
            samples.append({unlabelledName(++unlabelled), *value});
            continue;
        }
        auto same = std::find_if(samples.begin(), samples.end(),
                                 [&label](const PlotSample& sample) { return sample.series == *label; });
        if (same != samples.end())
            same->value = *value;
        else
            samples.append({label->toString(), *value});
    }
    return samples;
}

QList<PlotLine> PlotReader::takeText(QStringView text)
{
    QList<PlotLine> lines;
    while (!text.isEmpty()) {
        qsizetype end = 0;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView piece = text.first(end);
        if (!m_tooLong && m_partial.size() + piece.size() > kMaxLineLength) {
            m_tooLong = true;
            m_partial.clear();
        }
        if (end == text.size()) {
            if (!m_tooLong) m_partial.append(piece);
            break;
        }
        if (!m_tooLong) {
            // A whole line within one chunk is read in place, without a copy.
            PlotLine samples = m_partial.isEmpty() ? readLine(piece) : readLine(m_partial.append(piece));
            if (!samples.isEmpty()) lines.append(std::move(samples));
        }
        m_partial.clear();
        m_tooLong = false;
        text = text.sliced(end + 1);
    }
    return lines;
}

void PlotReader::breakLine()
{
    m_partial.clear();
    m_tooLong = false;
}
