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
    qint64 nowNs() const override { return m_elapsed.nsecsElapsed(); }
    void idleFor(qint64 ns) override;

private:
    QElapsedTimer m_elapsed;
};
