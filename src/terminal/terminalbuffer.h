// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <functional>

// The terminal text: everything the board sent in terminal mode, as one string in which
// CR LF counts as two characters, every byte kept as received (a BS or DEL included: the
// listing capture and the trim work on this text, only the display draws the erasing). Before
// a chunk is appended, a text longer than 15000 characters loses its oldest 5000, so it stays
// near that size whatever the board sends.
//
// The view does not copy this text for every chunk: it asks what changed since it last
// looked (characters dropped at the front, characters added at the end) and applies that.
class TerminalBuffer
{
public:
    static constexpr qsizetype kTrimAbove = 15000;
    static constexpr qsizetype kTrimBy = 5000;

    void append(QStringView chunk);
    // A text of any length, as chunks of at most kTrimBy: one long append would let the text grow
    // past the limit, since each trims only once.
    void appendInPieces(QStringView text);
    // Empties the text and tells the clear listener at once: a Reset's empty screen must show
    // before its first blank goes out, not when the command has ended.
    void clear();
    void setClearListener(std::function<void()> listener) { m_clearListener = std::move(listener); }

    const QString& text() const { return m_text; }
    qsizetype length() const { return m_text.size(); }

    // What changed since the view last looked: how many characters left the front, and how
    // many characters at the end of text() are new. `reset` means: start over from text().
    struct Changes
    {
        bool reset = false;
        qsizetype dropped = 0;
        qsizetype added = 0;
    };
    Changes takeChanges();

private:
    QString m_text;
    qsizetype m_seenLength = 0; // length of the text when the view last looked
    Changes m_changes;          // `dropped` never grows past m_seenLength: beyond that the view starts over
    std::function<void()> m_clearListener;
};
