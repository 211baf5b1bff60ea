#pragma once

#include "platform/clock.h"

#include <QElapsedTimer>

// The monotonic clock of the running program. idleFor() runs a local event loop that takes
// no user input: the window paints and the line is read, and keys and clicks made meanwhile
// are delivered, in order, once the command has returned to the main loop.
class QtClock : public Clock
{
public:
    QtClock() { m_elapsed.start(); }
    std::chrono::nanoseconds now() const override { return std::chrono::nanoseconds(m_elapsed.nsecsElapsed()); }
    void idleFor(std::chrono::nanoseconds length) override;

private:
    QElapsedTimer m_elapsed;
};
