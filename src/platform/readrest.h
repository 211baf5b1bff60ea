// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <chrono>
#include <optional>

// How long the serial line's reading rests after a read that emptied the port (see
// QtSerialLine::readAvailable()). A board at 115200 baud trickles a few bytes at a time; waking
// for each costs more than everything done with them, so after such a read the line waits and
// lets the kernel gather the next bytes. The wait must not outlast what the kernel can gather: a
// pseudo-terminal holds about 20 KiB, and a writer that finds it full stops until it is read.
//
// So the rest follows the rate: the bytes read since the last rest began, over the time since
// then, give the rate, and the next rest is as long as that rate takes to bring kGather bytes,
// between kShortest and kLongest. A trickle (anything under kGather per kLongest, 400 KB/s) rests
// the full kLongest; a stream faster than that rests less, so each wake still finds a few KiB and
// the writer never waits. A read of kBurstRead bytes or more means more is waiting: no rest.
//
// A plain class, fed the time, so the rule can be tested without a port or a clock.
class ReadRest
{
public:
    using Clock = std::chrono::steady_clock;

    static constexpr qsizetype kBurstRead = 512;
    static constexpr qsizetype kGather = 8192;
    static constexpr std::chrono::milliseconds kShortest{1};
    static constexpr std::chrono::milliseconds kLongest{20};

    // The rest to take after a read of `bytes` at `now`, or none (read again as soon as the port
    // has more). A rest that is returned starts at `now`.
    std::optional<std::chrono::milliseconds> afterRead(qsizetype bytes, Clock::time_point now);
    // Forgets the rate: the port was closed, or reads were handed over at once for a while.
    void reset() { m_restStart.reset(); }

private:
    std::optional<Clock::time_point> m_restStart; // when the last rest began
    qsizetype m_gathered = 0;                     // bytes read since then
};
