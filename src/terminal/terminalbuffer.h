#pragma once

#include <QString>
#include <QStringView>

// The terminal text: everything the board sent in terminal mode, as one string in which
// CR LF counts as two characters. Before a chunk is appended, a text longer than 15000
// characters loses its oldest 5000, so it stays near that size whatever the board sends.
//
// The view does not copy this text for every chunk: it asks what changed since it last
// looked (characters dropped at the front, characters added at the end) and applies that.
class TerminalBuffer
{
public:
    static constexpr qsizetype kTrimAbove = 15000;
    static constexpr qsizetype kTrimBy = 5000;

    void append(QStringView chunk);
    void clear();

    const QString& text() const { return m_text; }
    qsizetype length() const { return m_text.size(); }

    // Changes since the last takeChanges(): `dropped` characters left the front of the text
    // and the last `added` characters of text() are new. `reset` means start over from text().
    struct Changes
    {
        qsizetype dropped = 0;
        qsizetype added = 0;
        bool reset = false;
        bool any() const { return reset || dropped > 0 || added > 0; }
    };
    Changes takeChanges();
    // Text dropped from the front since the last takeChanges(), oldest first, for the view to
    // count what it must remove; empty when the view must start over anyway.
    QStringView droppedText() const { return m_dropped; }

private:
    QString m_text;
    QString m_dropped; // what left the front since the view last looked (bounded: see append)
    Changes m_changes;
};
