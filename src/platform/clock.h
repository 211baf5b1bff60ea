// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

class QObject;

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
    // Makes an idleFor() in progress return now, for the pause to look at why it waits (the board's
    // prompt has come, the user cancelled). Does nothing when not idling.
    virtual void wake() {}
    // While a gate is set, idleFor() takes user input as well, every event passing the gate first
    // (as an application event filter), which must take for itself whatever may not act yet.
    virtual void setInputGate(QObject* gate) { (void)gate; }
};
