// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/pause.h"

#include "platform/clock.h"

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
    if (length <= std::chrono::nanoseconds::zero() || m_cancelled) return !m_cancelled;
    const auto start = m_clock.now();
    if (m_listener) m_listener->pauseBegins(holdChunks);
    // The clock may wake us early (a timer firing ahead of time, a chunk arriving); only the
    // measured time, the condition and a cancel decide when the pause is over.
    for (auto elapsed = std::chrono::nanoseconds::zero(); elapsed < length; elapsed = m_clock.now() - start) {
        if (m_cancelled || (done && done())) break;
        m_clock.idleFor(length - elapsed);
    }
    if (m_listener) m_listener->pauseEnds();
    return !m_cancelled;
}

void Pause::wake()
{
    m_clock.wake();
}

void Pause::beginCancellable()
{
    m_cancellable = true;
    m_cancelled = false;
}

void Pause::endCancellable()
{
    m_cancellable = false;
    m_cancelled = false;
}

void Pause::cancel()
{
    if (!m_cancellable) return;
    m_cancelled = true;
    m_clock.wake();
}
