#include "platform/qtclock.h"

#include <QEventLoop>
#include <QTimer>

void QtClock::idleFor(std::chrono::nanoseconds length)
{
    if (length <= std::chrono::nanoseconds::zero()) return;
    // Whole milliseconds, rounded up: the pause loop measures what really passed and asks again
    // if the timer fired early, so rounding up keeps us from spinning on sub-millisecond rests.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(length);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
