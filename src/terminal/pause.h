#pragma once

class Clock;

// The pause between the commands Korvel types for the user. It lasts at least the time asked,
// on a monotonic clock (so midnight or a clock change cannot cut it short), and keeps the event
// loop running without user input meanwhile: the window paints, the line is read, the
// processor idles. Keys and menu choices made during it wait until the command returns.
class Pause
{
public:
    explicit Pause(Clock& clock) : m_clock(clock) {}
    void wait(float seconds);

private:
    Clock& m_clock;
};
