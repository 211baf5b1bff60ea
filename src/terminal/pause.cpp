#include "terminal/pause.h"

#include "platform/clock.h"
#include "terminal/receivepath.h"

#include <cmath>

void Pause::wait(float seconds)
{
    // Zero, negative and NaN lengths return at once.
    if (!(seconds > 0.0f)) return;
    const qint64 length = static_cast<qint64>(std::ceil(static_cast<double>(seconds) * 1e9));
    const qint64 start = m_clock.nowNs();
    if (m_receive) {
        CommandScope scope(*m_receive);
        m_receive->hold();
        idleUntil(start, length);
    } else {
        idleUntil(start, length);
    }
}

void Pause::idleUntil(qint64 start, qint64 length)
{
    // The clock may wake us early (a timer firing ahead of time, a chunk arriving); only the
    // measured time decides when the pause is over.
    for (qint64 elapsed = 0; elapsed < length; elapsed = m_clock.nowNs() - start)
        m_clock.idleFor(length - elapsed);
}
