// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>

#include <chrono>

class SerialLine;
class Pause;
class TerminalBuffer;
class Surface;

// Run Program, Memory, Reset and the memory top: short commands typed into the board's
// interpreter, paced by fixed pauses. None of them looks at the answers; those reach the terminal
// afterwards.
class BoardCommands
{
    Q_DECLARE_TR_FUNCTIONS(BoardCommands)

public:
    static constexpr int kResetBlanks = 50;
    static constexpr std::chrono::milliseconds kBlankPause{200};
    static constexpr std::chrono::milliseconds kResetStepPause{500};
    static constexpr std::chrono::milliseconds kRunPause{2000};

    BoardCommands(SerialLine& line, Pause& pause, TerminalBuffer& terminal, Surface& surface);

    void runProgram();
    void memory();
    // Ends by setting the board's memory top to mtop and erasing the program; a cancel during its
    // pauses stops it there.
    void reset(double mtop);
    // "mtop = " and the number as signed number text, so two blanks stand before a positive one.
    void setMemoryTop(double mtop);

private:
    SerialLine& m_line;
    Pause& m_pause;
    TerminalBuffer& m_terminal;
    Surface& m_surface;
};
