// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator/boardmodel.h"

#include <QList>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr char kSignOn[] = "\r\n*SIMULATED BOARD* choose a serial port under Settings, ComPort\r\nREADY\r\n>";
constexpr char kReady[] = "\r\nREADY\r\n>";
constexpr char kPrompt[] = "\r\n>";
constexpr int kLineNumberWidth = 6; // LIST pads the number to this, so statements start in column 7
constexpr int kMaxLineNumber = 65535;
constexpr int kMaxNesting = 64; // parentheses and signs; keeps the parser's recursion shallow
constexpr char kCtrlC = 3;
constexpr char kBell = 7;
constexpr char kDel = 127;
constexpr int kLineOverhead = 4; // a stored line's length byte, its number and its end mark

QByteArray directError(const char* what)
{
    return QByteArray("\r\n\r\nERROR: ") + what + kReady;
}

QByteArray inLine(const char* what, int lineNumber)
{
    // The board prints the number with its sign column, hence the two blanks.
    return QByteArray("\r\n") + what + " - IN LINE  " + QByteArray::number(lineNumber) + kReady;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLetter(char c)
{
    return c >= 'A' && c <= 'Z';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// The interpreter ignores blanks and case outside string literals; working on this compact form
// lets "mtop = 32768", "MTOP=32768" and "print free" all meet the same code.
QByteArray compact(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    bool inString = false;
    for (const char c : text) {
        if (c == '"') inString = !inString;
        if (inString || c == '"')
            out += c;
        else if (!isBlank(c))
            out += upper(c);
    }
    return out;
}

// The interpreter's words. A spaced word is a statement, joins parts of one (TO, THEN, ELSE, STEP) or
// places PRINT's output (TAB); LIST sets it off with blanks. The others are functions, system values and
// operators, which LIST writes close to their operands like names. Bare AND and OR are no words of this
// interpreter: its logical operators are the dotted ones.
struct Keyword
{
    const char* text;
    bool spaced;
};

constexpr Keyword kKeywords[] = {
    {"BAUD", true},   {"CALL", true},   {"CLEAR", true},  {"CLEARI", true},  {"CLEARS", true},  {"CLOCK0", true},
    {"CLOCK1", true}, {"CONT", true},   {"DATA", true},   {"DIM", true},     {"DO", true},      {"ELSE", true},
    {"END", true},    {"FOR", true},    {"FPROG", true},  {"GOSUB", true},   {"GOTO", true},    {"IDLE", true},
    {"IF", true},     {"INPUT", true},  {"LD@", true},    {"LET", true},     {"LIST", true},    {"LIST#", true},
    {"LIST@", true},  {"NEW", true},    {"NEXT", true},   {"NULL", true},    {"ON", true},      {"ONERR", true},
    {"ONEX1", true},  {"ONTIME", true}, {"P.", true},     {"PGM", true},     {"PH0.", true},    {"PH1.", true},
    {"POP", true},    {"PRINT", true},  {"PRINT#", true}, {"PRINT@", true},  {"PROG", true},    {"PUSH", true},
    {"PWM", true},    {"RAM", true},    {"READ", true},   {"REM", true},     {"RESTORE", true}, {"RETI", true},
    {"RETURN", true}, {"ROM", true},    {"RROM", true},   {"RUN", true},     {"ST@", true},     {"STEP", true},
    {"STOP", true},   {"STRING", true}, {"THEN", true},   {"TO", true},      {"UI0", true},     {"UI1", true},
    {"UNTIL", true},  {"UO0", true},    {"UO1", true},    {"WHILE", true},   {"XFER", true},    {"?", true},
    {".AND.", false}, {".OR.", false},  {".XOR.", false}, {"ABS", false},    {"ASC", false},    {"ATN", false},
    {"CBY", false},   {"CHR", false},   {"COS", false},   {"CR", false},     {"DBY", false},    {"EXP", false},
    {"FREE", false},  {"GET", false},   {"INT", false},   {"LEN", false},    {"LOG", false},    {"MTOP", false},
    {"NOT", false},   {"PCON", false},  {"PI", false},    {"PORT1", false},  {"RCAP2", false},  {"RND", false},
    {"SGN", false},   {"SIN", false},   {"SPC", false},   {"SQR", false},    {"T2CON", false},  {"TAB", true},
    {"TAN", false},   {"TCON", false},  {"TIME", false},  {"TIMER0", false}, {"TIMER1", false}, {"TIMER2", false},
    {"TMOD", false},  {"USING", false}, {"XBY", false},   {"XTAL", false},
};

// The longest word that starts at `pos`, as the interpreter's scanner finds it: at any position, even
// inside what looks like a name, so "ATOB" is A, TO, B.
const Keyword* keywordAt(QByteArrayView text, qsizetype pos)
{
    const Keyword* best = nullptr;
    qsizetype bestSize = 0;
    for (const Keyword& keyword : kKeywords) {
        const qsizetype size = qstrlen(keyword.text);
        if (size > bestSize && text.sliced(pos).startsWith(QByteArrayView(keyword.text, size))) {
            best = &keyword;
            bestSize = size;
        }
    }
    return best;
}

// How many characters of a number start at `pos`: decimal with an optional exponent ("1E3", "2.5E-3"),
// or hexadecimal ending in H ("0FFH"). A point that opens .AND., .OR. or .XOR. is not the number's.
qsizetype numberLength(QByteArrayView text, qsizetype pos)
{
    qsizetype end = pos;
    while (end < text.size() && (isDigit(text[end]) || (text[end] >= 'A' && text[end] <= 'F')))
        ++end;
    if (end < text.size() && text[end] == 'H') return end + 1 - pos;
    end = pos;
    while (end < text.size() && (isDigit(text[end]) || text[end] == '.')) {
        if (text[end] == '.' && keywordAt(text, end)) break;
        ++end;
    }
    if (end < text.size() && text[end] == 'E') {
        qsizetype after = end + 1;
        if (after < text.size() && (text[after] == '+' || text[after] == '-')) ++after;
        if (after < text.size() && isDigit(text[after])) {
            end = after;
            while (end < text.size() && isDigit(text[end]))
                ++end;
        }
    }
    return end - pos;
}

struct Token
{
    enum Kind { Plain, Word, Spaced, Separator, Remark }; // a Word is a keyword written like a name
    Kind kind;
    QByteArrayView text; // a Remark holds "REM" and everything after it
};

// Splits compact text (no blanks outside strings, capitals) into what LIST spaces out. An unclosed
// string runs to the end of the line, and REM takes the rest of the line, as the interpreter reads them.
QList<Token> tokens(QByteArrayView text)
{
    QList<Token> out;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        qsizetype size = 1;
        Token::Kind kind = Token::Plain;
        if (c == '"') {
            const qsizetype close = text.indexOf('"', pos + 1);
            size = (close < 0 ? text.size() : close + 1) - pos;
        } else if (c == ':') {
            kind = Token::Separator;
        } else if (isDigit(c) || (c == '.' && pos + 1 < text.size() && isDigit(text[pos + 1]))) {
            size = numberLength(text, pos);
        } else if (const Keyword* keyword = keywordAt(text, pos)) {
            size = qstrlen(keyword->text);
            kind = keyword->spaced ? Token::Spaced : Token::Word;
            if (qstrcmp(keyword->text, "REM") == 0) {
                kind = Token::Remark;
                size = text.size() - pos;
            }
        }
        out.append({kind, text.sliced(pos, size)});
        pos += size;
    }
    return out;
}

// What the board keeps of a typed statement: blanks outside strings dropped, letters outside strings
// in capitals, up to a REM, whose text stays exactly as typed.
QByteArray storedForm(QByteArrayView typed)
{
    const QByteArray compacted = compact(typed);
    const QList<Token> parts = tokens(compacted);
    if (parts.isEmpty() || parts.back().kind != Token::Remark) return compacted;
    // Find the typed text behind the REM's M: the compact text up to there, character for character.
    const qsizetype remEnd = parts.back().text.data() - compacted.constData() + 3;
    qsizetype typedPos = 0;
    bool inString = false;
    for (qsizetype kept = 0; kept < remEnd; ++typedPos) {
        const char c = typed[typedPos];
        if (c == '"') inString = !inString;
        if (inString || c == '"' || !isBlank(c)) ++kept;
    }
    return compacted.first(remEnd) + typed.sliced(typedPos).toByteArray();
}

// A stored line as LIST prints it. The line number is padded with blanks to six characters. Then the
// statements, with every spaced word and every ":" between statements written with a blank before and
// after it, and everything else (names, numbers, operators, functions, strings) as stored. The blanks of
// two neighbours are both written, so a statement after THEN, ELSE or ":" begins two blanks later
// (" THEN  PRINT", " :  REM"), and a statement word follows the padded number with a blank of its own.
// Only the blank after the last word of a line is left out, and a REM's text follows the REM as typed.
// So "A=1:B=2" lists "A=1 : B=2", "PRINT"a",TAB(5)" lists ' PRINT "a", TAB (5)', and "TOTAL" lists
// " TO TAL". Only blanks outside strings are added, so taking them out again gives back the stored text,
// and typing a listed line in again stores the same line.
QByteArray listedLine(int number, QByteArrayView stored)
{
    QByteArray out = QByteArray::number(number).leftJustified(kLineNumberWidth);
    bool blankDue = false;
    for (const Token& token : tokens(stored)) {
        const bool spaced = token.kind != Token::Plain && token.kind != Token::Word;
        if (blankDue) out += ' ';
        if (spaced) out += ' ';
        out += token.text;
        blankDue = token.kind == Token::Spaced || token.kind == Token::Separator;
    }
    return out;
}

// Program memory a stored line takes: one byte per keyword, the other characters as they are.
int storedSize(QByteArrayView stored)
{
    int size = kLineOverhead;
    for (const Token& token : tokens(stored)) {
        if (token.kind == Token::Plain || token.kind == Token::Separator)
            size += int(token.text.size());
        else // a keyword, or REM and its text
            size += 1 + (token.kind == Token::Remark ? int(token.text.size()) - 3 : 0);
    }
    return size;
}

// The arguments of PRINT, "?" or "P.", or nothing when the statement is no PRINT.
std::optional<QByteArrayView> printArguments(QByteArrayView statement)
{
    for (const char* keyword : {"PRINT", "P.", "?"}) {
        if (statement.startsWith(keyword)) return statement.sliced(qstrlen(keyword));
    }
    return std::nullopt;
}

QList<QByteArrayView> statements(QByteArrayView text)
{
    QList<QByteArrayView> parts;
    bool inString = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            inString = !inString;
        else if (text[i] == ':' && !inString) {
            parts.append(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    parts.append(text.sliced(start));
    return parts;
}

std::optional<int> wholeNumber(double value, int low, int high)
{
    if (!std::isfinite(value) || value != std::floor(value) || value < low || value > high) return std::nullopt;
    return int(value);
}

// Numbers go out with a sign column in front (a blank when positive) and a blank behind: " 1 ".
QByteArray numberText(double value)
{
    const double magnitude = std::fabs(value);
    QByteArray digits;
    if (magnitude == std::floor(magnitude) && magnitude < 1e9)
        digits = QByteArray::number(qint64(magnitude));
    else
        digits = QByteArray::number(magnitude, 'g', 8).toUpper();
    return (value < 0 ? "-" : " ") + digits + ' ';
}

// Arithmetic on compact text: + - * / with the usual precedence, signs, parentheses, decimal
// constants with an exponent, and names looked up through the callback.
class Expression
{
public:
    Expression(QByteArrayView text, qsizetype pos, std::function<double(const QByteArray&)> lookup)
        : m_text(text), m_pos(pos), m_lookup(std::move(lookup))
    {}

    std::optional<double> parse()
    {
        const auto value = sum(0);
        if (!value || !std::isfinite(*value)) return std::nullopt;
        return value;
    }
    qsizetype position() const { return m_pos; }

private:
    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }

    std::optional<double> sum(int depth)
    {
        auto left = product(depth);
        while (left && (peek() == '+' || peek() == '-')) {
            const char op = m_text[m_pos++];
            const auto right = product(depth);
            if (!right) return std::nullopt;
            left = op == '+' ? *left + *right : *left - *right;
        }
        return left;
    }

    std::optional<double> product(int depth)
    {
        auto left = factor(depth);
        while (left && (peek() == '*' || peek() == '/')) {
            const char op = m_text[m_pos++];
            const auto right = factor(depth);
            if (!right || (op == '/' && *right == 0)) return std::nullopt;
            left = op == '*' ? *left * *right : *left / *right;
        }
        return left;
    }

    std::optional<double> factor(int depth)
    {
        if (depth > kMaxNesting) return std::nullopt;
        const char c = peek();
        if (c == '-' || c == '+') {
            ++m_pos;
            const auto value = factor(depth + 1);
            if (!value) return std::nullopt;
            return c == '-' ? -*value : *value;
        }
        if (c == '(') {
            ++m_pos;
            const auto value = sum(depth + 1);
            if (!value || peek() != ')') return std::nullopt;
            ++m_pos;
            return value;
        }
        if (isDigit(c) || c == '.') return number();
        if (isLetter(c)) {
            const qsizetype start = m_pos;
            while (isLetter(peek()) || isDigit(peek()))
                ++m_pos;
            return m_lookup(m_text.sliced(start, m_pos - start).toByteArray());
        }
        return std::nullopt;
    }

    std::optional<double> number()
    {
        const qsizetype start = m_pos;
        while (isDigit(peek()) || peek() == '.')
            ++m_pos;
        if (peek() == 'E') {
            qsizetype after = m_pos + 1;
            if (after < m_text.size() && (m_text[after] == '+' || m_text[after] == '-')) ++after;
            if (after < m_text.size() && isDigit(m_text[after])) {
                m_pos = after;
                while (isDigit(peek()))
                    ++m_pos;
            }
        }
        bool ok = false;
        const double value = m_text.sliced(start, m_pos - start).toByteArray().toDouble(&ok);
        if (!ok) return std::nullopt;
        return value;
    }

    QByteArrayView m_text;
    qsizetype m_pos = 0;
    std::function<double(const QByteArray&)> m_lookup;
};

} // namespace

QByteArray BoardModel::open()
{
    m_line.clear();
    m_dropNextLf = false;
    m_running = false;
    return kSignOn;
}

QByteArray BoardModel::feed(QByteArrayView input)
{
    QByteArray out;
    for (const char c : input) {
        if (m_running) {
            // A running program polls the line only for Ctrl-C; whatever else comes is lost.
            m_dropNextLf = false;
            if (c == kCtrlC) out += finishRun(inLine("STOP", m_currentLine));
            continue;
        }
        if (m_dropNextLf) {
            m_dropNextLf = false;
            if (c == '\n') continue;
        }
        switch (c) {
        case '\r':
            out += "\r\n";
            out += executeLine(m_line);
            m_line.clear();
            break;
        case '\n':
            out += '\n';
            break;
        case kDel:
            // Only DEL erases; BS is kept in the line like any other character.
            if (!m_line.isEmpty()) {
                m_line.chop(1);
                out += "\x08 \x08";
            }
            break;
        case kCtrlC:
            break;
        default:
            // A full input buffer rings for every character it cannot take.
            if (m_line.size() < kMaxLineLength) {
                m_line += c;
                out += c;
            } else {
                out += kBell;
            }
        }
    }
    return out;
}

int BoardModel::freeBytes() const
{
    // Storing a line and setting MTOP both refuse to cross the memory top; the clamp only keeps
    // a negative count from ever reaching the wire.
    return qMax(0, m_memoryTop - kProgramStart - programSize());
}

QByteArray BoardModel::executeLine(const QByteArray& line)
{
    QByteArrayView text(line);
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    if (text.isEmpty()) return kPrompt;
    if (isDigit(text.front())) return storeProgramLine(text);

    // Everything below prints something, and the board is still at it when the LF arrives.
    m_dropNextLf = true;
    const QByteArray command = compact(text);
    // "new" answers with the bare prompt, so the LF after it is echoed like after an empty line.
    if (command == "NEW") {
        m_dropNextLf = false;
        m_program.clear();
        m_programSize = kEndMarkSize;
        m_variables.clear();
        return kPrompt;
    }
    if (command.startsWith("LIST")) return listProgram(QByteArrayView(command).sliced(4));
    if (command == "RUN") return startRun();
    // At the prompt a line holds one statement; only program lines take several joined by ":".
    if (statements(command).size() == 1) {
        if (const auto args = printArguments(command)) {
            const auto printed = printItems(*args);
            return printed ? *printed + kPrompt : directError("BAD SYNTAX");
        }
        if (command.startsWith("MTOP=")) {
            Expression expression(command, 5, [this](const QByteArray& name) { return valueOf(name); });
            const auto value = expression.parse();
            const auto top = value ? wholeNumber(*value, 0, kMaxLineNumber) : std::nullopt;
            if (!top || expression.position() != command.size()) return directError("BAD SYNTAX");
            if (*top < kProgramStart + programSize()) return directError("MEMORY ALLOCATION");
            m_memoryTop = *top;
            return kPrompt;
        }
        if (assign(command)) return kPrompt;
    }
    return directError("BAD SYNTAX");
}

QByteArray BoardModel::storeProgramLine(QByteArrayView text)
{
    qsizetype digits = 0;
    while (digits < text.size() && isDigit(text[digits]))
        ++digits;
    // More than five digits cannot be a line number; checking first keeps the conversion in range.
    const int number = digits <= 5 ? text.first(digits).toInt() : kMaxLineNumber + 1;
    if (number > kMaxLineNumber) {
        m_dropNextLf = true;
        return directError("BAD SYNTAX");
    }
    QByteArrayView body = text.sliced(digits);
    while (!body.isEmpty() && isBlank(body.front()))
        body = body.sliced(1);
    // Blanks at the end go, even after a REM: an editor would strip them from a saved listing anyway.
    while (!body.isEmpty() && isBlank(body.back()))
        body.chop(1);
    // A replaced or deleted line gives its room back before the new one is measured.
    const auto old = m_program.constFind(number);
    const int oldSize = old == m_program.cend() ? 0 : storedSize(*old);
    if (body.isEmpty()) {
        m_program.remove(number);
        m_programSize -= oldSize;
        return ">";
    }
    const QByteArray stored = storedForm(body);
    const int size = storedSize(stored);
    if (kProgramStart + programSize() - oldSize + size > m_memoryTop) {
        m_dropNextLf = true;
        return directError("MEMORY ALLOCATION");
    }
    m_program.insert(number, stored);
    m_programSize += size - oldSize;
    return ">";
}

QByteArray BoardModel::listProgram(QByteArrayView args) const
{
    int first = 0;
    int last = kMaxLineNumber;
    if (!args.isEmpty()) {
        const qsizetype dash = args.indexOf('-');
        const auto bound = [](QByteArrayView digits) -> std::optional<int> {
            if (digits.isEmpty() || digits.size() > 5 ||
                !std::all_of(digits.begin(), digits.end(), [](char c) { return isDigit(c); }))
                return std::nullopt;
            const int value = digits.toInt();
            return value <= kMaxLineNumber ? std::optional<int>(value) : std::nullopt;
        };
        const auto from = bound(dash < 0 ? args : args.first(dash));
        const auto to = dash < 0 ? std::optional<int>(kMaxLineNumber) : bound(args.sliced(dash + 1));
        if (!from || !to) return directError("BAD SYNTAX");
        first = *from;
        last = *to;
    }
    QByteArray out;
    for (auto it = m_program.lowerBound(first); it != m_program.cend() && it.key() <= last; ++it)
        out += listedLine(it.key(), *it) + "\r\n";
    return out + kReady;
}

// RUN starts from a clean slate of variables, like the interpreter's CLEAR before the first line.
QByteArray BoardModel::startRun()
{
    m_variables.clear();
    if (m_program.isEmpty()) return QByteArray("\r\n") + kReady;
    m_running = true;
    m_currentLine = m_program.firstKey();
    return "\r\n";
}

QByteArray BoardModel::finishRun(const QByteArray& message)
{
    m_running = false;
    return message;
}

QByteArray BoardModel::step()
{
    if (!m_running) return {};
    // The program cannot change while it runs (typing is lost), so the line is always there;
    // ending quietly covers the impossible case without undefined behaviour.
    const auto line = m_program.constFind(m_currentLine);
    if (line == m_program.cend()) return finishRun(kReady);
    const int lineNumber = line.key();
    const auto following = std::next(line);
    std::optional<int> next;
    if (following != m_program.cend()) next = following.key();

    QByteArray out;
    for (const QByteArrayView statement : statements(*line)) {
        if (statement.isEmpty()) continue;
        if (statement.startsWith("REM")) break;
        if (statement == "END") return out + finishRun(kReady);
        if (statement == "STOP") return out + finishRun(inLine("STOP", lineNumber));
        if (statement.startsWith("GOTO")) {
            Expression expression(statement, 4, [this](const QByteArray& name) { return valueOf(name); });
            const auto value = expression.parse();
            const auto target = value ? wholeNumber(*value, 0, kMaxLineNumber) : std::nullopt;
            if (!target || expression.position() != statement.size() || !m_program.contains(*target))
                return out + finishRun(inLine("ERROR: INVALID LINE NUMBER", lineNumber));
            next = *target;
            break;
        }
        std::optional<QByteArray> printed;
        if (const auto args = printArguments(statement))
            printed = printItems(*args);
        else if (assign(statement))
            continue;
        if (!printed) return out + finishRun(inLine("ERROR: BAD SYNTAX", lineNumber));
        out += *printed;
    }
    if (!next) return out + finishRun(kReady);
    m_currentLine = *next;
    return out;
}

std::optional<QByteArray> BoardModel::printItems(QByteArrayView args)
{
    const auto lookup = [this](const QByteArray& name) { return valueOf(name); };
    QByteArray out;
    bool endsWithSeparator = false;
    qsizetype pos = 0;
    while (pos < args.size()) {
        const char c = args[pos];
        // The separators only keep the line open; the board's print zones are not modelled.
        if (c == ',' || c == ';') {
            endsWithSeparator = true;
            ++pos;
            continue;
        }
        endsWithSeparator = false;
        // An unterminated string runs to the end of the line, as the interpreter reads it.
        if (c == '"') {
            const qsizetype close = args.indexOf('"', pos + 1);
            const qsizetype end = close < 0 ? args.size() : close;
            out += args.sliced(pos + 1, end - pos - 1);
            pos = close < 0 ? args.size() : close + 1;
            continue;
        }
        Expression expression(args, pos, lookup);
        const auto value = expression.parse();
        if (!value) return std::nullopt;
        out += numberText(*value);
        pos = expression.position();
    }
    if (!endsWithSeparator) out += "\r\n";
    return out;
}

double BoardModel::valueOf(const QByteArray& name) const
{
    if (name == "FREE") return freeBytes();
    if (name == "MTOP") return m_memoryTop;
    if (name == "PI") return 3.1415926;
    return m_variables.value(name);
}

bool BoardModel::assign(QByteArrayView statement)
{
    if (statement.startsWith("LET")) statement = statement.sliced(3);
    qsizetype nameEnd = 0;
    while (nameEnd < statement.size() && (isLetter(statement[nameEnd]) || isDigit(statement[nameEnd])))
        ++nameEnd;
    if (nameEnd == 0 || !isLetter(statement.front()) || nameEnd >= statement.size() || statement[nameEnd] != '=')
        return false;
    const QByteArray name = statement.first(nameEnd).toByteArray();
    // FREE and MTOP are the interpreter's own; MTOP is only set as a command of its own.
    if (name == "FREE" || name == "MTOP" || name == "PI") return false;
    Expression expression(statement, nameEnd + 1, [this](const QByteArray& other) { return valueOf(other); });
    const auto value = expression.parse();
    if (!value || expression.position() != statement.size()) return false;
    m_variables.insert(name, *value);
    return true;
}
