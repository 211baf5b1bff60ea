// SPDX-License-Identifier: GPL-3.0-or-later
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
    // loop running meanwhile, so the window still paints and the serial line is still read; what
    // user input may do then is the pause's business (its input gate).
    virtual void idleFor(std::chrono::nanoseconds length) = 0;
    // Makes an idleFor() in progress return now, for the pause to look at why it waits (the board's
    // prompt has come, the user cancelled). Does nothing when not idling.
    virtual void wake() {}
};
