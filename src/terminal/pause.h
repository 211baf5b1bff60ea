#pragma once

#include <chrono>

class Clock;

// Whoever must know when a command starts pausing: the receive path holds the chunks that
// arrive from a command's first pause on until the command has returned.
class PauseListener
{
public:
    virtual ~PauseListener() = default;
    virtual void pauseBegins() = 0;
    virtual void pauseEnds() = 0;
};

// The pause between the commands Korvel types for the user. It lasts at least the time asked,
// on a monotonic clock (so midnight or a clock change cannot cut it short), and keeps the event
// loop running without user input meanwhile: the window paints, the line is read, the
// processor idles. Keys and menu choices made during it wait until the command returns.
class Pause
{
public:
    explicit Pause(Clock& clock, PauseListener* listener = nullptr) : m_clock(clock), m_listener(listener) {}
    void wait(std::chrono::nanoseconds length);

private:
    void idleUntil(std::chrono::nanoseconds start, std::chrono::nanoseconds length);

    Clock& m_clock;
    PauseListener* m_listener;
};
