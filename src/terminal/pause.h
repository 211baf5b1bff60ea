// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>

class Clock;

// Whoever must know when a command starts pausing: the receive path holds the chunks that
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

// The pause between the commands Korvel types for the user. It lasts at least the time asked,
// on a monotonic clock (so midnight or a clock change cannot cut it short), and keeps the event
// loop running without user input meanwhile: the window paints, the line is read, the
// processor idles. Keys and menu choices made during it wait until the command returns.
//
// A command that may be cancelled runs between beginCancellable() and endCancellable(); cancel()
// then ends the pause in progress and every later one at once, and the command looks at
// cancelled() to stop.
class Pause
{
public:
    explicit Pause(Clock& clock, PauseListener* listener = nullptr) : m_clock(clock), m_listener(listener) {}

    // The full length; false when the command was cancelled.
    bool wait(std::chrono::nanoseconds length);
    // Ends early once done() holds, checked whenever the clock wakes (see wake()); chunks that
    // arrive meanwhile are not held. False when cancelled.
    bool waitUntil(std::chrono::nanoseconds length, const std::function<bool()>& done);
    // Asks a waitUntil() in progress to check its condition now.
    void wake();

    void beginCancellable();
    void endCancellable();
    bool cancellable() const { return m_cancellable; }
    // Outside a cancellable command this does nothing.
    void cancel();
    bool cancelled() const { return m_cancelled; }

private:
    bool run(std::chrono::nanoseconds length, const std::function<bool()>& done, bool holdChunks);

    Clock& m_clock;
    PauseListener* m_listener;
    bool m_cancellable = false;
    bool m_cancelled = false;
};
