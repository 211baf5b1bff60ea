// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <chrono>
#include <functional>

class Pause;
class SerialLine;

// A line typed for the user and the board's answer followed as it arrives: the command line's run,
// send and memory. The answer is what stands behind the echo of the typed line, up to the board's
// prompt (">" at the start of a line), or for RUN up to the "READY" and prompt the program ends
// with; whatever came before the echo (a sign-on, an earlier answer's tail) is passed over. It is
// handed on as it comes, less the line ends at its start and end and what closes it, so a program's
// output reaches the user while the program runs.
//
// A board command (app/commandrunner.h) with no time limit of its own: a program may run for ever,
// so the caller's cancel ends the wait (a time limit, Ctrl+C), and interrupt(), run as a command of
// its own, stops the program.
class BoardExchange
{
public:
    enum class Ending { Prompt, Text, Cancelled, LineLost };
    using Output = std::function<void(QStringView text)>;

    // A wait with no end but the answer or a cancel.
    static constexpr std::chrono::hours kNoLimit{24 * 365};

    BoardExchange(SerialLine& line, Pause& pause);

    // Types text and CR LF; the answer up to the prompt.
    Ending send(const QString& text, const Output& output);
    // Types RUN; the program's output up to the READY it ends with, or up to and including until
    // when that is given (the program then goes on).
    Ending run(const QString& until, const Output& output);
    // Sends Ctrl-C and waits up to limit for the prompt; false when none came.
    bool interrupt(std::chrono::milliseconds limit);

private:
    Ending follow(const QString& typed, const QString& endMarker, const QString& until, const Output& output);

    SerialLine& m_line;
    Pause& m_pause;
};
