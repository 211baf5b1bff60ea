// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/answerreader.h"

#include "board/programtext.h"

namespace {

constexpr char16_t kBell = 7;
constexpr char kCtrlC = 3;
constexpr char kDel = 127;

} // namespace

void AnswerReader::expect(int tag, QByteArrayView sent)
{
    // The echo as the board gives it: each character while the buffer has room, "\b \b" for a DEL
    // that erases one, nothing for Ctrl-C; the BELs for the characters it drops are not kept.
    QString echo;
    int length = 0;
    for (qsizetype i = 0; i < sent.size(); ++i) {
        const char c = sent[i];
        if (c == '\r') {
            // A board that has been silent this long is not going to answer the oldest lines.
            if (m_waiting.size() >= kMaxWaiting) {
                const Waiting oldest = m_waiting.takeFirst();
                settle(oldest, unanswered(oldest));
            }
            m_waiting.append({tag, echo.left(kKeep), matchKey(echo.left(kKeep)), QString()});
            echo.clear();
            length = 0;
            if (i + 1 < sent.size() && sent[i + 1] == '\n') ++i;
        } else if (c == kDel) {
            if (length > 0) {
                --length;
                echo += QStringLiteral("\b \b");
            }
        } else if (c != kCtrlC && length < programtext::kInputLength) {
            ++length;
            echo += QChar::fromLatin1(c);
        }
    }
}

void AnswerReader::feed(QStringView chunk)
{
    for (const QChar c : chunk) {
        // The prompt: ">" at the start of a line. The echo cannot hold one there, it has no CR.
        if (c == u'>' && m_afterCrLf) {
            endAnswer();
            continue;
        }
        const bool crLf = c == u'\n' && m_lastCr;
        m_afterCrLf = crLf;
        m_lastCr = c == u'\r';
        if (m_echoDone) {
            if (m_message.size() < kKeep) m_message += c;
            if (crLf) {
                takeLaterEcho();
                m_messageLine.clear();
            } else if (m_messageLine.size() <= kKeep) {
                m_messageLine += c;
            }
        } else if (crLf) {
            m_echoDone = true;
            if (m_echo.endsWith(u'\r')) m_echo.chop(1);
        } else if (c == kBell) {
            ++m_bells;
        } else if (c == u'\n' && m_echo.isEmpty()) {
            // The board echoes the LF behind the last line's CR once it has shown its prompt.
        } else if (m_echo.size() < kKeep + 1) {
            m_echo += c;
        }
    }
}

void AnswerReader::takeLaterEcho()
{
    // The prompt of the line being answered may never come (lost on the way); when the next line
    // that stands here is the echo of a later line waiting, the answer belongs to that one and the
    // earlier one ends here without its prompt.
    QString line = m_messageLine;
    if (line.endsWith(u'\r')) line.chop(1);
    const int bells = int(line.count(QChar(kBell)));
    line.remove(QChar(kBell));
    if (line.isEmpty()) return;
    const QString key = matchKey(line);
    const qsizetype current = matchFor(matchKey(m_echo.left(kKeep)));
    bool later = false;
    for (qsizetype i = current + 1; i < m_waiting.size() && !later; ++i)
        later = m_waiting[i].key == key;
    if (!later) return;
    if (m_message.endsWith(m_messageLine + u'\n')) m_message.chop(m_messageLine.size() + 1);
    endAnswer();
    m_echo = line;
    m_bells = bells;
    m_echoDone = true;
    m_afterCrLf = true;
}

qsizetype AnswerReader::matchFor(const QString& key) const
{
    // Only the oldest may match an empty echo: a stray prompt (from before the upload) must not pass
    // over lines that wait for theirs.
    for (qsizetype i = 0; i < m_waiting.size(); ++i) {
        if (m_waiting[i].key == key && (i == 0 || !key.isEmpty())) return i;
    }
    return -1;
}

void AnswerReader::endAnswer()
{
    Outcome outcome;
    const qsizetype error = m_message.indexOf(QStringLiteral("ERROR"));
    QString message;
    if (error >= 0) {
        const qsizetype end = m_message.indexOf(u'\r', error);
        message = m_message.mid(error, end < 0 ? -1 : end - error);
    }
    if (m_bells > 0)
        outcome = Outcome(Kind::Cut, message, m_bells);
    else if (!message.isEmpty())
        outcome = Outcome(Kind::Refused, message);
    const QString echo = m_echo.left(kKeep);
    m_echo.clear();
    m_message.clear();
    m_bells = 0;
    m_messageLine.clear();
    m_echoDone = false;
    m_lastCr = false;
    m_afterCrLf = false;

    // The oldest line waiting with this echo.
    const qsizetype match = matchFor(matchKey(echo));
    if (match < 0) {
        if (!m_waiting.isEmpty() && !m_waiting.front().stray) {
            m_waiting.front().stray = true;
            m_waiting.front().strayEcho = echo;
        }
        return;
    }
    for (qsizetype i = 0; i < match; ++i)
        settle(m_waiting[i], unanswered(m_waiting[i]));
    ++m_answered;
    settle(m_waiting[match], outcome);
    m_waiting.remove(0, match + 1);
}

void AnswerReader::settle(const Waiting& line, const Outcome& outcome)
{
    if (outcome.kind == Kind::Accepted || m_problems.contains(line.tag)) return;
    if (m_problems.size() >= kMaxProblems) {
        ++m_leftOut;
        return;
    }
    Outcome problem = outcome;
    problem.sent = line.echo;
    m_problems.insert(line.tag, problem);
}

AnswerReader::Outcome AnswerReader::unanswered(const Waiting& line)
{
    if (line.stray) return Outcome(Kind::Garbled, line.strayEcho);
    return Outcome(Kind::NoAnswer);
}

QString AnswerReader::matchKey(QStringView echo)
{
    // Blanks and case left out: what tells a lost character is the rest, and a board that echoes a
    // tab or a letter its own way must not make a line it took look garbled.
    QString key;
    key.reserve(echo.size());
    for (const QChar c : echo) {
        if (c != u' ' && c != u'\t') key += c.toCaseFolded();
    }
    return key;
}

QMap<int, AnswerReader::Outcome> AnswerReader::finish()
{
    for (const Waiting& line : std::as_const(m_waiting))
        settle(line, unanswered(line));
    m_waiting.clear();
    return m_problems;
}
