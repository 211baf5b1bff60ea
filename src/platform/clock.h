#pragma once

#include <QtGlobal>

// A monotonic clock for the pause between the commands Korvel types for the user.
class Clock
{
public:
    virtual ~Clock() = default;
    // Nanoseconds on a monotonic scale; never jumps back, whatever the time of day does.
    virtual qint64 nowNs() const = 0;
    // Lets time pass for about ns nanoseconds (may return early or late). The real clock
    // keeps the event loop running meanwhile but takes no user input, so the window
    // still paints and the serial line is still read.
    virtual void idleFor(qint64 ns) = 0;
};
