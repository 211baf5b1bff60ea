// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringView>

// Reads what the board answers to the lines an upload types, from the chunks as they arrive, and
// tells for each line whether the board took it.
//
// The board answers every CR it is sent: it echoes the line (from the 79th character on one BEL
// per character instead), CR LF, perhaps a message such as "ERROR: BAD SYNTAX" and "READY", and
// then its prompt ">" at the start of a line. Each answer is taken for the earliest line still
// waiting whose echo it carries, so an answer that comes late, after the next line has gone out,
// still counts for its own line, and lines passed over had none. An answer whose echo fits no line
// (text from before the upload, or characters the board lost) is kept with the oldest line
// waiting: if no answer of its own comes, that is what the board made of it. A line that follows an
// echo and is itself the echo of a later line waiting starts that line's answer: the earlier
// line's prompt was lost, and the later line must not wait for it.
class AnswerReader
{
public:
    enum class Kind { Accepted, Refused, Cut, NoAnswer, Garbled };
    struct Outcome
    {
        Outcome() = default;
        Outcome(Kind k, const QString& what = QString(), int bells = 0) : kind(k), detail(what), dropped(bells) {}

        Kind kind = Kind::Accepted;
        QString detail;  // Refused: the board's message; Cut: a message that came with it; Garbled: the echo
        int dropped = 0; // Cut: the characters the board rang the bell for
        QString sent;    // the line as the board should have echoed it (at most 78 characters)
    };

    // A line goes out; tag names it in the outcomes. Each CR in it is one line the board answers
    // (a lone CR inside a line makes two); the LF behind a CR is the board's business.
    void expect(int tag, QByteArrayView sent);
    void feed(QStringView chunk);

    // Lines sent whose answer has not come yet.
    qsizetype owed() const { return m_waiting.size(); }
    // Lines whose answer has come, accepted or not.
    int answered() const { return m_answered; }
    // Every line whose answer was not a plain acceptance, by tag (one outcome per tag, the first);
    // lines still owed count as not answered. At most kMaxProblems; problemsLeftOut() counts the rest.
    QMap<int, Outcome> finish();
    int problemsLeftOut() const { return m_leftOut; }

    static constexpr qsizetype kMaxWaiting = 1024; // a line this far behind will get no answer any more
    static constexpr qsizetype kMaxProblems = 1000;

private:
    struct Waiting
    {
        int tag;
        QString echo;      // what the board echoes, BELs left out
        QString key;       // the echo as matched: see matchKey()
        QString strayEcho; // the echo of an answer that fitted no line, kept with the oldest line
        bool stray = false;
    };
    void endAnswer();
    void takeLaterEcho();
    qsizetype matchFor(const QString& key) const;
    void settle(const Waiting& line, const Outcome& outcome);
    static Outcome unanswered(const Waiting& line);
    static QString matchKey(QStringView echo);

    static constexpr qsizetype kKeep = 512; // of an echo or message; a flood must not pile up here

    QList<Waiting> m_waiting;
    QMap<int, Outcome> m_problems;
    int m_answered = 0;
    int m_leftOut = 0;
    // The answer being read.
    QString m_echo;
    QString m_message;
    QString m_messageLine; // the message's line being read
    int m_bells = 0;
    bool m_echoDone = false;
    bool m_lastCr = false;
    bool m_afterCrLf = false;
};
