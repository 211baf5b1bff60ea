#include "simulator/boardmodel.h"

#include <QList>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr char kSignOn[] = "\r\n*SIMULATED BOARD* choose a serial port under Settings, ComPort\r\nREADY\r\n>";
constexpr char kReady[] = "\r\nREADY\r\n>";
constexpr char kPrompt[] = "\r\n>";
constexpr int kLineNumberWidth = 7;
constexpr int kMaxLineNumber = 65535;
constexpr int kMaxNesting = 64; // parentheses and signs; keeps the parser's recursion shallow
constexpr char kCtrlC = 3;
constexpr char kBackspace = 8;
constexpr char kDel = 127;

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

// LIST shows keywords in capitals; everything outside string literals is close enough.
QByteArray capitalised(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    bool inString = false;
    for (const char c : text) {
        if (c == '"') inString = !inString;
        out += inString ? c : upper(c);
    }
    return out;
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
        case kBackspace:
        case kDel:
            if (!m_line.isEmpty()) {
                m_line.chop(1);
                out += "\x08 \x08";
            }
            break;
        case kCtrlC:
            break;
        default:
            // A full input buffer takes no more characters and echoes none.
            if (m_line.size() < kMaxLineLength) {
                m_line += c;
                out += c;
            }
        }
    }
    return out;
}

int BoardModel::programSize() const
{
    int size = 1; // the end-of-program mark
    // Each stored line carries its number, a length byte and an end mark besides its text.
    for (const QByteArray& text : m_program)
        size += int(text.size()) + 4;
    return size;
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
    while (!body.isEmpty() && isBlank(body.back()))
        body.chop(1);
    if (body.isEmpty()) {
        m_program.remove(number);
        return ">";
    }
    // A replaced line gives its room back before the new one is measured.
    const auto old = m_program.constFind(number);
    const int oldSize = old == m_program.cend() ? 0 : int(old->size()) + 4;
    if (kProgramStart + programSize() - oldSize + int(body.size()) + 4 > m_memoryTop) {
        m_dropNextLf = true;
        return directError("MEMORY ALLOCATION");
    }
    m_program.insert(number, body.toByteArray());
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
        out += QByteArray::number(it.key()).leftJustified(kLineNumberWidth) + capitalised(*it) + "\r\n";
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

    const QByteArray text = compact(*line);
    QByteArray out;
    for (const QByteArrayView statement : statements(text)) {
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
