// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QMap>

#include <optional>

// The MCS BASIC-52 interpreter of an 80C32 board, as it looks from the other end of the serial line.
//
// The model knows no time: feed() takes the bytes the terminal sends and returns everything the board
// answers to them (echo, prompts, command output). A program started with RUN does not run inside
// feed(); it advances one line per step() while running() is true, so whoever drives the model can
// interleave the bytes that arrive meanwhile and a Ctrl-C can stop it, as on the board.
//
// Typing: each character is echoed and kept in the 78-character input buffer; from the 79th on, each
// further character is answered with BEL (07H) and dropped. DEL (7FH) erases the last character and
// answers "\b \b" (nothing on an empty line); BS (08H) is an ordinary character. A lone LF is echoed.
//
// What the board does with a line, after echoing its CR as CR LF:
//   program line ("10 print 1")  stored, replaced, or deleted by the number alone; answered ">"
//   line number above 65535      "\r\n\r\nERROR: BAD SYNTAX\r\nREADY\r\n>", nothing stored
//   empty line, "new"            "\r\n>"
//   LIST                         each line, then "\r\nREADY\r\n>"
//   PRINT / ? / P.               the items, CR LF, then "\r\n>"
//   mtop = N, X = expression     "\r\n>"
//   RUN                          "\r\n", the program's output, "\r\nREADY\r\n>"
//   anything else                "\r\n\r\nERROR: BAD SYNTAX\r\nREADY\r\n>"
// The LF that usually follows the CR is echoed after a program line, "new" or an empty line; after
// anything that prints, the board is still printing when it arrives and drops it.
//
// A program line is kept compact, as LIST shows it less the blanks: blanks outside strings dropped, letters outside
// strings in capitals, keywords found greedily (so "FORJ=ATOB" holds FOR, J=A, TO, B), and a REM's
// text kept as typed; LIST spaces the keywords out again (the rule is at listedLine() in the source).
class BoardModel
{
public:
    static constexpr int kMaxLineLength = 78;       // the input buffer of the interpreter
    static constexpr int kDefaultMemoryTop = 32767; // what the board finds in 32K of RAM
    static constexpr int kProgramStart = 512;       // the interpreter's own work area lies below

    // The sign-on a terminal sees when it connects. Forgets a half-typed line and stops a running
    // program; the stored program and the memory top stay, as in the board's RAM.
    QByteArray open();
    // Everything the board answers to these bytes, in order.
    QByteArray feed(QByteArrayView input);

    bool running() const { return m_running; }
    // Runs one program line and returns its output (empty when not running).
    QByteArray step();

    int memoryTop() const { return m_memoryTop; }
    int freeBytes() const;
    // Line number -> the statements as stored: compact, in capitals outside strings, REM text as typed.
    const QMap<int, QByteArray>& program() const { return m_program; }

private:
    QByteArray executeLine(const QByteArray& line);
    QByteArray storeProgramLine(QByteArrayView text);
    QByteArray listProgram(QByteArrayView args) const;
    QByteArray startRun();
    QByteArray finishRun(const QByteArray& message);
    std::optional<QByteArray> printItems(QByteArrayView args);
    bool assign(QByteArrayView statement);
    double valueOf(const QByteArray& name) const;
    int programSize() const { return m_programSize; }

    QMap<int, QByteArray> m_program;
    static constexpr int kEndMarkSize = 1;
    int m_programSize = kEndMarkSize; // the end-of-program mark and every stored line
    QHash<QByteArray, double> m_variables;
    QByteArray m_line;
    int m_memoryTop = kDefaultMemoryTop;
    bool m_dropNextLf = false;
    bool m_running = false;
    int m_currentLine = 0; // the line step() runs next
};
