// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/clock.h"

#include <QElapsedTimer>

class QEventLoop;

// The monotonic clock of the running program. idleFor() runs a local event loop: the window paints
// and the line is read; the pause's input gate decides what user input may do meanwhile.
class QtClock : public Clock
{
public:
    QtClock() { m_elapsed.start(); }
    std::chrono::nanoseconds now() const override { return std::chrono::nanoseconds(m_elapsed.nsecsElapsed()); }
    void idleFor(std::chrono::nanoseconds length) override;
    void wake() override;

private:
    QElapsedTimer m_elapsed;
    QEventLoop* m_loop = nullptr; // the idle in progress
};
