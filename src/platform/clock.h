#pragma once

#include <chrono>

// A monotonic clock for the pause between the commands Korvel types for the user.
class Clock
{
public:
    virtual ~Clock() = default;
    // Time on a monotonic scale; never jumps back, whatever the time of day does.
    virtual std::chrono::nanoseconds now() const = 0;
    // Lets about this much time pass (may return early or late). The real clock keeps the event
    // loop running meanwhile but takes no user input, so the window still paints and the serial
    // line is still read.
    virtual void idleFor(std::chrono::nanoseconds length) = 0;
};
