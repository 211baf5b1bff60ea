#include "platform/qtclock.h"

#include <QEventLoop>
#include <QTimer>

void QtClock::idleFor(qint64 ns)
{
    if (ns <= 0) return;
    // Whole milliseconds, rounded up: the pause loop measures what really passed and asks again
    // if the timer fired early, so rounding up keeps us from spinning on sub-millisecond rests.
    const auto ms = std::chrono::milliseconds((ns + 999'999) / 1'000'000);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
