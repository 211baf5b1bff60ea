// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/pause.h"

#include "platform/clock.h"

#include <QCoreApplication>

namespace {

// The gate sees every event while the clock idles, and only then.
class GateScope
{
public:
    explicit GateScope(QObject* gate) : m_gate(gate)
    {
        if (m_gate) QCoreApplication::instance()->installEventFilter(m_gate);
    }
    ~GateScope()
    {
        if (m_gate) QCoreApplication::instance()->removeEventFilter(m_gate);
    }
    GateScope(const GateScope&) = delete;
    GateScope& operator=(const GateScope&) = delete;

private:
    QPointer<QObject> m_gate;
};

} // namespace

bool Pause::wait(std::chrono::nanoseconds length)
{
    return run(length, {}, true);
}

bool Pause::waitUntil(std::chrono::nanoseconds length, const std::function<bool()>& done)
{
    return run(length, done, false);
}

bool Pause::run(std::chrono::nanoseconds length, const std::function<bool()>& done, bool holdChunks)
{
    // Zero and negative lengths return at once.
    if (length <= std::chrono::nanoseconds::zero() || cancelled()) return !cancelled();
    const auto start = m_clock.now();
    if (m_listener) m_listener->pauseBegins(holdChunks);
    {
        const GateScope gate(QCoreApplication::instance() ? m_gate.data() : nullptr);
        // The clock may wake us early (a timer firing ahead of time, a chunk arriving); only the
        // measured time, the condition and a cancel decide when the pause is over.
        for (auto elapsed = std::chrono::nanoseconds::zero(); elapsed < length; elapsed = m_clock.now() - start) {
            if (cancelled() || (done && done())) break;
            m_clock.idleFor(length - elapsed);
        }
    }
    if (m_listener) m_listener->pauseEnds();
    return !cancelled();
}

void Pause::wake()
{
    m_clock.wake();
}

void Pause::begin()
{
    m_running = true;
    m_reason = CancelReason::None;
}

void Pause::end()
{
    m_running = false;
    m_reason = CancelReason::None;
}

void Pause::cancel(CancelReason reason)
{
    if (!m_running || cancelled() || reason == CancelReason::None) return;
    m_reason = reason;
    m_clock.wake();
}
