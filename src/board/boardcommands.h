#pragma once

class SerialLine;
class Pause;
class TerminalBuffer;
class Surface;

// Run Program, Memory and Reset: short commands typed into the board's interpreter, paced by
// fixed pauses. None of them looks at the answers; those reach the terminal afterwards.
class BoardCommands
{
public:
    static constexpr int kResetBlanks = 50;
    static constexpr float kBlankPause = 0.2f;
    static constexpr float kResetStepPause = 0.5f;
    static constexpr float kRunPause = 2.0f;

    // mtop is the main window's memory top, read when Reset runs.
    BoardCommands(SerialLine& line, Pause& pause, TerminalBuffer& terminal, Surface& surface, const double& mtop);

    void runProgram();
    void memory();
    void reset();

private:
    SerialLine& m_line;
    Pause& m_pause;
    TerminalBuffer& m_terminal;
    Surface& m_surface;
    const double& m_mtop;
};
