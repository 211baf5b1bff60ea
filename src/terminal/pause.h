// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <chrono>
#include <functional>

class Clock;
class QObject;

// Whoever must know when a command starts pausing: the command runner, which holds the chunks that
// arrive from a command's first holding pause on until the command has returned.
class PauseListener
{
public:
    virtual ~PauseListener() = default;
    // holdChunks: the chunks that arrive may wait for the command to end; a pause that watches
    // for the board's prompt shows them as they come.
    virtual void pauseBegins(bool holdChunks) = 0;
    virtual void pauseEnds() = 0;
};

// Why a command stopped before its end.
enum class CancelReason {
    None,
    User,     // Escape, the Cancel button
    LineLost, // the serial line went down under the command
    Quit,     // the program was asked to end
};

// The pause between the commands Korvel types for the user, on a monotonic clock (so midnight or a
// clock change cannot cut it short). How a command waits, and what is held meanwhile, is told in
// app/commandrunner.h.
class Pause
{
public:
    explicit Pause(Clock& clock) : m_clock(clock) {}

    void setListener(PauseListener* listener) { m_listener = listener; }
    // The application event filter that sees user input while the clock idles; without one the
    // pauses take no part in input at all.
    void setInputGate(QObject* gate) { m_gate = gate; }

    // The full length; false when the command was cancelled.
    bool wait(std::chrono::nanoseconds length);
    // Ends early once done() holds, checked whenever the clock wakes (see wake()); chunks that
    // arrive meanwhile are not held. False when cancelled.
    bool waitUntil(std::chrono::nanoseconds length, const std::function<bool()>& done);
    // Asks a waitUntil() in progress to check its condition now.
    void wake();

    // Between begin() and end() a command runs; cancel() then ends the pause in progress and every
    // later one at once, and the command looks at cancelled() to stop.
    void begin();
    void end();
    // Outside a command this does nothing; the first reason given stays.
    void cancel(CancelReason reason = CancelReason::User);
    bool cancelled() const { return m_reason != CancelReason::None; }
    CancelReason cancelReason() const { return m_reason; }

private:
    bool run(std::chrono::nanoseconds length, const std::function<bool()>& done, bool holdChunks);

    Clock& m_clock;
    PauseListener* m_listener = nullptr;
    QPointer<QObject> m_gate;
    bool m_running = false;
    CancelReason m_reason = CancelReason::None;
};
