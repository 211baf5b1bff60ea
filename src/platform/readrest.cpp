// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/readrest.h"

#include <algorithm>

std::optional<std::chrono::milliseconds> ReadRest::afterRead(qsizetype bytes, Clock::time_point now)
{
    m_gathered += bytes;
    if (bytes >= kBurstRead) return std::nullopt;
    std::chrono::milliseconds rest = kLongest;
    // Without a rest before it, a read says nothing about the rate: the first bytes after a quiet
    // spell, for one, which rest the full time as every trickle does.
    if (m_restStart && m_gathered > 0) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - *m_restStart);
        const auto toGather = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed * kGather / m_gathered);
        rest = std::clamp(toGather, kShortest, kLongest);
    }
    m_restStart = now;
    m_gathered = 0;
    return rest;
}
