// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/answerreader.h"
#include "board/uploadreport.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>
#include <QList>
#include <QMap>
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

// How an upload waits after each line: the fixed 1.0 s, or until the board's prompt says it reads
// again (and never longer than the fixed pause).
enum class Pacing { Fixed, Prompt };

// Load Program, Merge Program and text pasted into the terminal: a BASIC program sent to the board
// one line at a time, with the progress bar following the bytes read. The whole upload runs inside
// the call; nothing of it outlives it.
//
// A line too long for the board's 78-character input goes out in its compact form, which the board
// stores the same. While the upload runs it reads the board's answers as they arrive (it listens to
// the line itself, whatever the receive path does with them) and names at the end the lines the
// board refused, cut short or left unanswered; in prompt pacing those answers also tell it when to
// send the next line. It is a board command (app/commandrunner.h): a cancel stops it after the line
// in flight, and a line that goes down stops it at once.
class ProgramUpload
{
    Q_DECLARE_TR_FUNCTIONS(ProgramUpload)

public:
    static constexpr std::chrono::milliseconds kLinePause{1000};
    static constexpr qint64 kBlockSize = 64 * 1024;
    static constexpr qsizetype kPasteAskAbove = 64 * 1024;

    ProgramUpload(SerialLine& line, Pause& pause, FileDialog& dialog, Surface& surface, Prompter& prompter);

    // How the last upload ended, for a front end that says more than the status text (the command
    // line's exit status and JSON).
    struct Result
    {
        enum class End { Nothing, Done, Declined, CannotRead, Cancelled, LineLost };
        End end = End::Nothing;
        QString source;                            // the file, or what was sent
        int sent = 0;                              // lines sent, "new" not counted
        qint64 lines = 0;                          // lines to send
        QMap<int, AnswerReader::Outcome> problems; // by line, 1 on: AnswerReader::finish()
        int leftOut = 0;
        bool answered = false; // the board answered at least one line
    };
    // Told after each line goes out: lines sent so far, of how many.
    using LineProgress = std::function<void(qint64 sent, qint64 of)>;

    void setPacing(Pacing pacing) { m_pacing = pacing; }
    Pacing pacing() const { return m_pacing; }
    void setLineProgress(LineProgress progress) { m_lineProgress = std::move(progress); }
    const Result& result() const { return m_result; }

    void loadProgram();
    void mergeProgram();
    // Text pasted into the terminal. Without a line end it goes out as typed keys would; with line
    // ends it is merged like a file, line by line, each with CR LF.
    void pasteText(const QString& text);
    // Lines of a listing, each ending in CR LF, sent as a merge would send them (Send Differences):
    // source names the file in the question and the status text.
    void sendLines(const QList<QByteArray>& lines, const QString& source);

    // The line as it goes out: a line that does not fit the board's input in compact form, others
    // unchanged. text ends in CR LF.
    static QByteArray sendForm(const QByteArray& text);

private:
    enum class Kind { Load, Merge, Paste };
    struct Survey
    {
        qint64 lines = 0;
        bool anyEnd = false; // see LineSplitter
        qint64 tooLong = 0;  // lines that do not fit even compacted
        QStringList samples; // the first of them, named
        void note(const QByteArray& text);
    };

    void upload(Kind kind);
    // Reads and sends the file; the closing status text.
    QString sendFile(Kind kind, const QString& name);
    std::optional<Survey> surveyFile(QFile& file, qint64 length);
    // Sends lines already in their send form; busyText takes the count, done the count sent.
    void sendList(const QList<QByteArray>& lines, const QString& source, const QString& busyText,
                  const std::function<QString(int sent)>& done);
    // Asks about lines too long for the board; false when the user cancels.
    bool confirmTooLong(const Survey& survey, const QString& source);
    // Sends one line and pauses; false when the user cancelled.
    bool send(const QByteArray& text, bool fileLine = true);
    void readAnswers(const QString& chunk);
    // How the upload ended, as the status text (and a report when long): done names what was sent.
    QString closingText(const QString& done, qint64 of);
    // Shows the summary's report, if any; its status, or otherwise when it has none.
    QString show(const uploadreport::Summary& summary, const QString& otherwise);

    SerialLine& m_line;
    Pause& m_pause;
    FileDialog& m_dialog;
    Surface& m_surface;
    Prompter& m_prompter;
    Pacing m_pacing = Pacing::Fixed;
    LineProgress m_lineProgress;
    Result m_result;

    // The upload in progress: the answers read so far, and the lines sent (tags 1 on; "new" is 0).
    std::optional<AnswerReader> m_reader;
    int m_sent = 0;
    qint64 m_of = 0;
};
