#include "terminal/pause.h"

#include "platform/clock.h"

void Pause::wait(std::chrono::nanoseconds length)
{
    // Zero and negative lengths return at once.
    if (length <= std::chrono::nanoseconds::zero()) return;
    const auto start = m_clock.now();
    if (m_listener) m_listener->pauseBegins();
    idleUntil(start, length);
    if (m_listener) m_listener->pauseEnds();
}

void Pause::idleUntil(std::chrono::nanoseconds start, std::chrono::nanoseconds length)
{
    // The clock may wake us early (a timer firing ahead of time, a chunk arriving); only the
    // measured time decides when the pause is over.
    for (auto elapsed = std::chrono::nanoseconds::zero(); elapsed < length; elapsed = m_clock.now() - start)
        m_clock.idleFor(length - elapsed);
}
