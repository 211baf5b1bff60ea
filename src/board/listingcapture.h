#pragma once

#include "board/capturemode.h"

#include <QString>

class SerialLine;
class FileDialog;
class TerminalBuffer;
class Surface;

// Save Program: types "LIST" for the user and collects the board's answer into a file.
//
// saveProgram() asks for the target, sends "LIST" CR LF and moves the mode to AwaitingEcho; it
// returns at once. The main window's receive path then hands each chunk here instead of showing
// it: the first one to startStep(), which cuts off the board's echo of "LIST" CR LF, the later
// ones to captureStep(), until the buffer holds "READY" CR LF ">". Everything in front of the
// last such prompt, plus CR LF, becomes the file, and the mode is back at Terminal.
class ListingCapture
{
public:
    static constexpr QStringView kEchoMarker = u"LIST\r\n";
    static constexpr QStringView kEndMarker = u"READY\r\n>";

    ListingCapture(SerialLine& line, FileDialog& dialog, TerminalBuffer& terminal, Surface& surface);

    void saveProgram();

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
    void write(QStringView text);

    SerialLine& m_line;
    FileDialog& m_dialog;
    TerminalBuffer& m_terminal;
    Surface& m_surface;

    CaptureMode m_mode = CaptureMode::Terminal;
    QString m_buffer;
    QString m_target;
    // Where the next end-marker scan starts: no marker begins before it, since every earlier
    // position was scanned when the buffer ended sooner.
    qsizetype m_scanFrom = 0;
};
