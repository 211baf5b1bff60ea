// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtclock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <utility>

void QtClock::idleFor(std::chrono::nanoseconds length)
{
    if (length <= std::chrono::nanoseconds::zero()) return;
    // Whole milliseconds, rounded up: the pause loop measures what really passed and asks again
    // if the timer fired early, so rounding up keeps us from spinning on sub-millisecond rests.
    // A timer takes at most about 24 days; the pause asks again for whatever is left.
    const auto ms = std::min(std::chrono::ceil<std::chrono::milliseconds>(length),
                             std::chrono::milliseconds(std::numeric_limits<int>::max()));
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    QEventLoop* const outer = std::exchange(m_loop, &loop);
    loop.exec(QEventLoop::AllEvents);
    m_loop = outer;
}

void QtClock::wake()
{
    if (m_loop) m_loop->quit();
}
