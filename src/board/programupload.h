#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <chrono>
#include <optional>

class SerialLine;
class Pause;
class FileDialog;
class Surface;

// Cuts the bytes of a listing file into the lines sent to the board, fed block by block.
//
// A line ends where CR is followed by LF; it goes out unchanged, so CR CR LF keeps both CRs
// and lone CRs inside it travel along. An LF that no CR precedes also ends a line (files
// written on Linux); that line goes out as its text followed by CR LF. What is left after
// the last line end is handed out by finish(), followed by CR LF.
class LineSplitter
{
public:
    struct Line
    {
        qsizetype end = 0; // index in the fed block just past the byte that completed the line
        QByteArray text;   // what is sent, ending in CR LF
    };

    // Feeds the next bytes of the file; returns the lines they complete, in order.
    QList<Line> feed(QByteArrayView bytes);
    // The text still pending at the end of the file as a line ending in CR LF; nullopt when
    // nothing is pending. Leaves the splitter empty.
    std::optional<QByteArray> finish();

    const QByteArray& pending() const { return m_pending; }

private:
    QByteArray m_pending;
    bool m_previousCr = false; // the last byte fed was a CR (a CR LF may straddle two blocks)
};

// Load Program and Merge Program: send a BASIC program from a text file to the board one line
// at a time, paced by a 1.0 s pause after each line, with the progress bar following the bytes
// read. The whole upload runs inside the call; nothing of it outlives it.
class ProgramUpload
{
public:
    static constexpr std::chrono::milliseconds kLinePause{1000};
    static constexpr qint64 kBlockSize = 64 * 1024;

    ProgramUpload(SerialLine& line, Pause& pause, FileDialog& dialog, Surface& surface);

    void loadProgram();
    void mergeProgram();

private:
    enum class Kind { Load, Merge };
    void upload(Kind kind);
    // Reads and sends the file; false when it cannot be opened or read.
    bool send(Kind kind, const QString& name);
    void sendLine(const QByteArray& text);

    SerialLine& m_line;
    Pause& m_pause;
    FileDialog& m_dialog;
    Surface& m_surface;
};
