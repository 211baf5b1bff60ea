// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/answerreader.h"
#include "terminal/receivetap.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

class SerialLine;
class Pause;
class FileDialog;
class Surface;
class Prompter;
class QFile;

// Cuts the bytes of a listing file into the lines sent to the board, fed block by block.
//
// A line ends where CR is followed by LF; it goes out unchanged, so CR CR LF keeps both CRs
// and lone CRs inside it travel along. An LF that no CR precedes also ends a line (files
// written on Linux); that line goes out as its text followed by CR LF. What is left after
// the last line end is handed out by finish(), followed by CR LF.
//
// A file without any LF (old Mac editors end lines in CR alone) is cut with crOnly set: then
// every CR ends a line, which goes out as its text followed by CR LF.
class LineSplitter
{
public:
    struct Line
    {
        qsizetype end = 0; // index in the fed block just past the byte that completed the line
        QByteArray text;   // what is sent, ending in CR LF
    };

    explicit LineSplitter(bool crOnly = false) : m_crOnly(crOnly) {}

    // Feeds the next bytes of the file; returns the lines they complete, in order.
    QList<Line> feed(QByteArrayView bytes);
    // The text still pending at the end of the file as a line ending in CR LF; nullopt when
    // nothing is pending. Leaves the splitter empty.
    std::optional<QByteArray> finish();

    const QByteArray& pending() const { return m_pending; }

private:
    bool m_crOnly = false;
    QByteArray m_pending;
    bool m_previousCr = false; // the last byte fed was a CR (a CR LF may straddle two blocks)
};

// How an upload waits after each line: the fixed 1.0 s, or until the board's prompt says it reads
// again (and never longer than the fixed pause).
enum class Pacing { Fixed, Prompt };

// Load Program, Merge Program and text pasted into the terminal: a BASIC program sent to the board
// one line at a time, with the progress bar following the bytes read. The whole upload runs inside
// the call; nothing of it outlives it.
//
// A line too long for the board's 78-character input goes out in its compact form, which the board
// stores the same. While the upload runs it reads the board's answers as they arrive (it is the
// receive path's tap) and names at the end the lines the board refused, cut short or left
// unanswered; in prompt pacing those answers also tell it when to send the next line. A cancel
// stops it after the line in flight.
class ProgramUpload : public ReceiveTap
{
public:
    static constexpr std::chrono::milliseconds kLinePause{1000};
    static constexpr qint64 kBlockSize = 64 * 1024;
    static constexpr qsizetype kPasteAskAbove = 64 * 1024;
    static constexpr int kNamedInStatus = 3; // refused lines the status bar names; more go to a report

    ProgramUpload(SerialLine& line, Pause& pause, FileDialog& dialog, Surface& surface, Prompter& prompter);

    void setPacing(Pacing pacing) { m_pacing = pacing; }
    Pacing pacing() const { return m_pacing; }

    void loadProgram();
    void mergeProgram();
    // Text pasted into the terminal. Without a line end it goes out as typed keys would; with line
    // ends it is merged like a file, line by line, each with CR LF.
    void pasteText(const QString& text);

    void chunkArrived(const QString& chunk) override;

    // The line as it goes out: a line that does not fit the board's input in compact form, others
    // unchanged. text ends in CR LF.
    static QByteArray sendForm(const QByteArray& text);

private:
    enum class Kind { Load, Merge, Paste };
    struct Survey
    {
        qint64 lines = 0;
        bool crOnly = false;
        qint64 tooLong = 0;  // lines that do not fit even compacted
        QStringList samples; // the first of them, named
        void note(const QByteArray& text);
    };

    void upload(Kind kind);
    // Reads and sends the file; the closing status text.
    QString sendFile(Kind kind, const QString& name);
    std::optional<Survey> surveyFile(QFile& file, qint64 length);
    // Asks about lines too long for the board; false when the user cancels.
    bool confirmTooLong(const Survey& survey, const QString& source);
    // Sends one line and pauses; false when the user cancelled.
    bool send(const QByteArray& text, bool fileLine = true);
    // What the board made of the lines sent, as the status text (and a report when long).
    QString summary(const QString& done);
    QString cancelledText(qint64 of) const;

    SerialLine& m_line;
    Pause& m_pause;
    FileDialog& m_dialog;
    Surface& m_surface;
    Prompter& m_prompter;
    Pacing m_pacing = Pacing::Fixed;

    // The upload in progress: the answers read so far, and the lines sent (tags 1 on; "new" is 0).
    std::optional<AnswerReader> m_reader;
    int m_sent = 0;
};
