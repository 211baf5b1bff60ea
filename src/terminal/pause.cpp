#include "terminal/pause.h"

#include "platform/clock.h"

#include <cmath>

void Pause::wait(float seconds)
{
    // Zero, negative and NaN lengths return at once.
    if (!(seconds > 0.0f))
        return;
    const qint64 length = static_cast<qint64>(std::ceil(static_cast<double>(seconds) * 1e9));
    const qint64 start = m_clock.nowNs();
    // The clock may wake us early (a timer firing ahead of time, a chunk arriving); only the
    // measured time decides when the pause is over.
    for (qint64 elapsed = 0; elapsed < length; elapsed = m_clock.nowNs() - start)
        m_clock.idleFor(length - elapsed);
}
