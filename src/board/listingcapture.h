// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/capturemode.h"

#include <QString>

#include <QStringList>

class SerialLine;
class FileDialog;
class TerminalBuffer;
class Surface;
class Prompter;

// Save Program and Verify Program: type "LIST" for the user and take the board's answer, into a
// file or to compare with one.
//
// saveProgram() asks for the target, sends "LIST" CR LF and moves the mode to AwaitingEcho; it
// returns at once. The main window's receive path then hands each chunk here instead of showing
// it: the first one to startStep(), which cuts off the board's echo of "LIST" CR LF, the later
// ones to captureStep(), until the buffer holds "READY" CR LF ">". Everything in front of the
// first such prompt is the answer, and the mode is back at Terminal. When the answer is a listing,
// Save writes it and CR LF to the file; otherwise (a program's output, say) it writes nothing and
// says so. verifyProgram() reads a listing file first and compares the answer with it instead.
class ListingCapture
{
public:
    static constexpr QStringView kEchoMarker = u"LIST\r\n";
    static constexpr QStringView kEndMarker = u"READY\r\n>";
    static constexpr qint64 kMaxVerifiedFile = 16 * 1024 * 1024;

    ListingCapture(SerialLine& line, FileDialog& dialog, TerminalBuffer& terminal, Surface& surface,
                   Prompter& prompter);

    void saveProgram();
    void verifyProgram();

    CaptureMode mode() const { return m_mode; }
    // The first chunk after "LIST" (mode AwaitingEcho).
    void startStep(const QString& chunk);
    // Every later chunk while capturing (mode Capturing).
    void captureStep(const QString& chunk);

    // What has been captured; kept after the capture ends, replaced when the next one starts.
    const QString& buffer() const { return m_buffer; }
    // The file the capture goes to: chosen in the Save dialog, whatever dialogs are used later.
    QString target() const { return m_target; }

private:
    enum class Purpose { Save, Verify };
    void start(Purpose purpose, const QString& target, const QString& status);
    // Ends the capture when the buffer holds the board's prompt.
    void endAtPrompt();
    void finish(QStringView answer);
    void write(QStringView text);
    void verify(QStringView text);

    SerialLine& m_line;
    FileDialog& m_dialog;
    TerminalBuffer& m_terminal;
    Surface& m_surface;
    Prompter& m_prompter;

    CaptureMode m_mode = CaptureMode::Terminal;
    Purpose m_purpose = Purpose::Save;
    QStringList m_fileLines; // Verify: the lines of the chosen file
    QString m_buffer;
    QString m_target;
    // Where the next end-marker scan starts: no marker begins before it, since every earlier
    // position was scanned when the buffer ended sooner.
    qsizetype m_scanFrom = 0;
};
