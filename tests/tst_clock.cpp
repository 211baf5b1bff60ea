// SPDX-License-Identifier: GPL-3.0-or-later
// The real clock under a time of day that runs a hundred times fast (CMake starts this test under
// libfaketime): pauses must follow the monotonic clock, or midnight or a clock change would cut
// an upload's pause short.
#include "platform/qtclock.h"

#include <QtTest>

#include <ctime>

namespace {

std::chrono::nanoseconds sinceBoot(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

} // namespace

class TestClock : public QObject
{
    Q_OBJECT
private slots:
    void followsTheMonotonicClock();
};

void TestClock::followsTheMonotonicClock()
{
    using namespace std::chrono_literals;
    QtClock clock;
    const auto start = clock.now();
    const auto wall = sinceBoot(CLOCK_REALTIME);
    const auto mono = sinceBoot(CLOCK_MONOTONIC);
    // Spins rather than sleeps: 10 ms of the monotonic clock.
    while (sinceBoot(CLOCK_MONOTONIC) - mono < 10ms) {
    }
    const auto wallElapsed = sinceBoot(CLOCK_REALTIME) - wall;
    const auto monoElapsed = sinceBoot(CLOCK_MONOTONIC) - mono;
    const auto elapsed = clock.now() - start;

    QVERIFY2(wallElapsed > 10 * monoElapsed, "not running under libfaketime: install the faketime package");
    // A clock on the time of day would report about a hundred times the monotonic time here.
    QVERIFY(elapsed >= monoElapsed);
    QVERIFY(elapsed < 10 * monoElapsed);
}

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
