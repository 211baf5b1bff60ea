// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtclock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <utility>

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
    QEventLoop* const outer = std::exchange(m_loop, &loop);
    const QPointer<QObject> gate = m_gate;
    if (gate) {
        QCoreApplication::instance()->installEventFilter(gate);
        loop.exec(QEventLoop::AllEvents);
        if (gate) QCoreApplication::instance()->removeEventFilter(gate);
    } else {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    m_loop = outer;
}

void QtClock::wake()
{
    if (m_loop) m_loop->quit();
}
