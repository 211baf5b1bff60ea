// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The terminal's font sizes, in points: Ctrl+Plus and Ctrl+Minus step through the sizes a font
// menu offers, Ctrl+0 goes back to the size the window was drawn for. Any size read from the
// settings file is brought within the range first.
namespace fontzoom {

constexpr double kDefault = 8.25; // the size the window was drawn for
constexpr double kSmallest = 6;
constexpr double kLargest = 48;

// The next size up or down from any size, within the range.
double larger(double points);
double smaller(double points);
// Within the range; kDefault for a size that is no number or not above 0 (missing or unreadable).
double bounded(double points);

} // namespace fontzoom
