// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/capturemode.h"
#include "board/programtext.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

class SerialLine;
class Pause;
class FileDialog;
class TerminalBuffer;
class Surface;
class Prompter;

// Save Program and Verify Program: type "LIST" for the user and take the board's answer, into a
// file or to compare with one. Each is a board command (app/commandrunner.h) that ends in one of:
// the listing written or compared; cancelled; the answer is not a listing; the line is down.
//
// After "LIST" goes out, the receive path hands each chunk here instead of showing it: the first
// to startStep(), the later ones to captureStep(). The answer starts behind the board's echo,
// "LIST" CR LF at the start of a line (also when it comes split over chunks); a listing line that
// ends in LIST is the program's. It ends at the first "READY" CR LF ">" behind the echo. It is not
// a listing as soon as a complete line shows that is neither blank nor a listing line (a line
// number, blanks, a statement), or it grows past kMaxAnswer: a running program's output does not
// wait for a prompt that may never come. Whenever nothing is written or compared, what the board
// sent goes to the terminal.
class ListingCapture
{
    Q_DECLARE_TR_FUNCTIONS(ListingCapture)

public:
    // Compare is Verify without a word to the user: the comparison is left in comparison().
    enum class Purpose { Save, Verify, Compare };
    enum class Ending { None, Done, Cancelled, NotListing, LineDown, CannotWrite };

    static constexpr QStringView kEchoMarker = u"LIST\r\n";
    static constexpr QStringView kEndMarker = u"READY\r\n>";
    static constexpr qint64 kMaxVerifiedFile = 16 * 1024 * 1024;
    static constexpr qsizetype kMaxAnswer = 1024 * 1024;
    // A capture has no time limit of its own: the user, the line or the board's answer ends it.
    static constexpr std::chrono::hours kNoLimit{24 * 365};

    ListingCapture(SerialLine& line, Pause& pause, FileDialog& dialog, TerminalBuffer& terminal, Surface& surface,
                   Prompter& prompter);

    // The menu commands: ask for the file, then capture to its end.
    void saveProgram();
    void verifyProgram();
    // Verify Program with the file already chosen.
    void verifyFile(const QString& name);
    // Verify or Compare against lines of a listing; false when it could not start (line down).
    bool compare(Purpose purpose, const QStringList& fileLines, const QString& target);
    // The lines of a listing file as the board reads them (any CR, LF or CR LF ends one); nullopt
    // when it cannot be read or is too large to compare.
    static std::optional<QStringList> readListing(const QString& name);
    // Sends "LIST" and waits for the capture to end; false when it could not start (line down).
    bool capture(Purpose purpose, const QString& target);
    // The first half of capture(): "LIST" sent and the mode at AwaitingEcho, or false on a line
    // that is down.
    bool start(Purpose purpose, const QString& target);

    CaptureMode mode() const { return m_mode; }
    // The first chunk after "LIST" (mode AwaitingEcho).
    void startStep(const QString& chunk);
    // Every later chunk while capturing (mode Capturing).
    void captureStep(const QString& chunk);

    // Everything the board sent since "LIST", echo included; kept after the capture ends.
    const QString& buffer() const { return m_buffer; }
    // The file the capture goes to: chosen in the Save dialog, whatever dialogs are used later.
    QString target() const { return m_target; }
    Ending ending() const { return m_ending; }
    // The last Verify's or Compare's result.
    const programtext::Comparison& comparison() const { return m_comparison; }

    // When set, the Verify report offers "Send Differences", which calls this with the file.
    void setSendDifferences(std::function<void(const QString& file)> send) { m_sendDifferences = std::move(send); }

private:
    void settleEcho();
    // Before the echo: the tail of an earlier answer (an upload's last line, the board's prompt).
    static bool mayStandBeforeEcho(QStringView line);
    // Ends the capture when the buffer holds the board's prompt, or shows it is no listing.
    void endWhenAnswered();
    void end(Ending ending, const QString& status);
    void finish(QStringView answer);
    void write(QStringView text);
    void verify(QStringView text);
    QString nothingDone() const;

    SerialLine& m_line;
    Pause& m_pause;
    FileDialog& m_dialog;
    TerminalBuffer& m_terminal;
    Surface& m_surface;
    Prompter& m_prompter;

    CaptureMode m_mode = CaptureMode::Terminal;
    Purpose m_purpose = Purpose::Save;
    Ending m_ending = Ending::None;
    QStringList m_fileLines; // Verify: the lines of the chosen file
    programtext::Comparison m_comparison;
    std::function<void(const QString&)> m_sendDifferences;
    QString m_buffer;
    QString m_target;
    bool m_echoSettled = false;
    qsizetype m_echoScanFrom = 0;
    qsizetype m_answerStart = 0; // past the echo
    // Where the next end-marker scan starts: no marker begins before it, since every earlier
    // position was scanned when the buffer ended sooner.
    qsizetype m_scanFrom = 0;
    qsizetype m_linesCheckedTo = 0; // complete lines before this are blank or listing lines
};
