// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/clock.h"

#include <QElapsedTimer>
#include <QPointer>

class QEventLoop;

// The monotonic clock of the running program. idleFor() runs a local event loop: the window paints
// and the line is read. User input waits until the command has returned to the main loop, unless an
// input gate is set, which then sees every event first and lets through only what may act now.
class QtClock : public Clock
{
public:
    QtClock() { m_elapsed.start(); }
    std::chrono::nanoseconds now() const override { return std::chrono::nanoseconds(m_elapsed.nsecsElapsed()); }
    void idleFor(std::chrono::nanoseconds length) override;
    void wake() override;
    void setInputGate(QObject* gate) override { m_gate = gate; }

private:
    QElapsedTimer m_elapsed;
    QEventLoop* m_loop = nullptr; // the idle in progress
    QPointer<QObject> m_gate;
};
