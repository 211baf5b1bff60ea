// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/boardexchange.h"

#include "board/programtext.h"
#include "platform/serialline.h"
#include "terminal/pause.h"

#include <QObject>
#include <optional>

namespace {

constexpr QChar kBell = QChar(7);

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// Reads one answer out of the chunks: first the echo, then the text behind it, handed on except
// for what may still turn out to close it.
class Follower
{
public:
    Follower(const QString& echo, const QString& endMarker, const QString& until, const BoardExchange::Output& output)
        : m_echo(echo + QStringLiteral("\r\n")), m_end(endMarker), m_until(until), m_output(output)
    {}

    std::optional<BoardExchange::Ending> ending() const { return m_ending; }

    void feed(QStringView chunk)
    {
        if (m_ending) return;
        if (!m_echoSeen) {
            // The board rings instead of echoing what its input cannot take.
            for (const QChar c : chunk) {
                if (c != kBell) m_seen += c;
            }
            if (!findEcho()) return;
        } else {
            m_pending += chunk;
        }
        settle();
    }

private:
    bool findEcho()
    {
        // The echo stands at the start of a line, or right behind a prompt that came late.
        const auto startsLine = [this](qsizetype at) {
            const QChar before = at == 0 ? m_beforeSeen : m_seen[at - 1];
            return before == u'\n' || before == u'\r' || before == u'>';
        };
        for (qsizetype at = m_seen.indexOf(m_echo); at >= 0; at = m_seen.indexOf(m_echo, at + 1)) {
            if (!startsLine(at)) continue;
            m_echoSeen = true;
            m_pending = m_seen.mid(at + m_echo.size());
            m_seen.clear();
            return true;
        }
        // What cannot hold the start of the echo any more is dropped.
        if (m_seen.size() >= m_echo.size()) {
            const qsizetype drop = m_seen.size() - m_echo.size() + 1;
            m_beforeSeen = m_seen[drop - 1];
            m_seen.remove(0, drop);
        }
        return false;
    }

    bool lineStart(qsizetype at) const { return at == 0 ? m_pendingAtLineStart : m_pending[at - 1] == u'\n'; }

    void settle()
    {
        if (!m_until.isEmpty()) {
            const qsizetype at = m_pending.indexOf(m_until);
            if (at >= 0) return finish(BoardExchange::Ending::Text, at + m_until.size());
        }
        for (qsizetype at = m_pending.indexOf(m_end); at >= 0; at = m_pending.indexOf(m_end, at + 1)) {
            if (lineStart(at)) return finish(BoardExchange::Ending::Prompt, at);
        }
        // Held back: a tail that may grow into the closing text, and line ends until text follows
        // them, so the blank line before READY never goes out.
        qsizetype hold = m_pending.size();
        for (qsizetype k = std::min(m_end.size() - 1, m_pending.size()); k > 0; --k) {
            if (m_pending.endsWith(QStringView(m_end).left(k)) && lineStart(m_pending.size() - k)) {
                hold = m_pending.size() - k;
                break;
            }
        }
        for (qsizetype k = std::min(m_until.size() - 1, m_pending.size()); k > 0; --k) {
            if (m_pending.endsWith(QStringView(m_until).left(k))) {
                hold = std::min(hold, m_pending.size() - k);
                break;
            }
        }
        while (hold > 0 && isLineEnd(m_pending[hold - 1]))
            --hold;
        if (hold == 0) return;
        m_pendingAtLineStart = m_pending[hold - 1] == u'\n';
        hand(QStringView(m_pending).left(hold));
        m_pending.remove(0, hold);
    }

    void finish(BoardExchange::Ending ending, qsizetype length)
    {
        QStringView rest = QStringView(m_pending).left(length);
        while (!rest.isEmpty() && isLineEnd(rest.back()))
            rest.chop(1);
        hand(rest);
        m_pending.clear();
        m_ending = ending;
    }

    void hand(QStringView text)
    {
        if (!m_handedAny) {
            while (!text.isEmpty() && isLineEnd(text.front()))
                text = text.sliced(1);
        }
        if (text.isEmpty()) return;
        m_handedAny = true;
        if (m_output) m_output(text);
    }

    QString m_echo;
    QString m_end;
    QString m_until;
    const BoardExchange::Output& m_output;
    QString m_seen;             // before the echo
    QChar m_beforeSeen = u'\n'; // the character before m_seen: the answer may start the stream
    QString m_pending;          // behind it, not handed on yet
    bool m_echoSeen = false;
    bool m_pendingAtLineStart = true; // the answer starts a line
    bool m_handedAny = false;
    std::optional<BoardExchange::Ending> m_ending;
};

} // namespace

BoardExchange::BoardExchange(SerialLine& line, Pause& pause) : m_line(line), m_pause(pause) {}

BoardExchange::Ending BoardExchange::send(const QString& text, const Output& output)
{
    // A short answer is waited for: each chunk is taken as it comes. A program's output may be
    // long, and is read in the line's usual gulps.
    m_line.setQuickReads(true);
    const Ending ending = follow(text, QStringLiteral(">"), QString(), output);
    m_line.setQuickReads(false);
    return ending;
}

BoardExchange::Ending BoardExchange::run(const QString& until, const Output& output)
{
    return follow(QStringLiteral("RUN"), QStringLiteral("READY\r\n>"), until, output);
}

BoardExchange::Ending BoardExchange::follow(const QString& typed, const QString& endMarker, const QString& until,
                                            const Output& output)
{
    if (!m_line.isOpen()) return Ending::LineLost;
    Follower follower(typed.left(programtext::kInputLength), endMarker, until, output);
    const QMetaObject::Connection listening =
        QObject::connect(&m_line, &SerialLine::received, &m_line, [&](const QString& chunk) {
            follower.feed(chunk);
            if (follower.ending()) m_pause.wake();
        });
    m_line.sendLine(typed + QStringLiteral("\r\n"));
    m_pause.waitUntil(kNoLimit, [&] { return follower.ending().has_value() || !m_line.isOpen(); });
    QObject::disconnect(listening);
    if (const auto ending = follower.ending()) return *ending;
    return m_line.isOpen() && m_pause.cancelReason() != CancelReason::LineLost ? Ending::Cancelled : Ending::LineLost;
}

bool BoardExchange::interrupt(std::chrono::milliseconds limit)
{
    if (!m_line.isOpen()) return false;
    QString heard;
    const auto prompted = [&heard] { return heard.startsWith(u'>') || heard.contains(QStringLiteral("\n>")); };
    const QMetaObject::Connection listening =
        QObject::connect(&m_line, &SerialLine::received, &m_line, [&](const QString& chunk) {
            heard += chunk;
            if (prompted()) m_pause.wake();
        });
    m_line.sendLine(QStringLiteral("\x03"));
    m_pause.waitUntil(limit, prompted);
    QObject::disconnect(listening);
    return prompted();
}
