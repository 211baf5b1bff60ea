// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/fontzoom.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace fontzoom {

namespace {

constexpr std::array<double, 19> kSteps{6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 32, 36, 40, 48};
// Sizes this close count as the same: a size read back from the file may have lost a digit.
constexpr double kSame = 0.01;

} // namespace

double larger(double points)
{
    const double from = bounded(points);
    const auto* next = std::find_if(kSteps.begin(), kSteps.end(), [from](double step) { return step > from + kSame; });
    return next == kSteps.end() ? kLargest : *next;
}

double smaller(double points)
{
    const double from = bounded(points);
    const auto next = std::find_if(kSteps.rbegin(), kSteps.rend(), [from](double step) { return step < from - kSame; });
    return next == kSteps.rend() ? kSmallest : *next;
}

double bounded(double points)
{
    if (!std::isfinite(points) || points <= 0) return kDefault;
    return std::clamp(points, kSmallest, kLargest);
}

} // namespace fontzoom
