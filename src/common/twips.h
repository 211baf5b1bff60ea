// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

// The windows are laid out in twips, as they were drawn: 1440 to the inch, so 15 make one pixel
// at 96 dots per inch.
namespace twips {

constexpr int kPerPixel = 15;

constexpr int toPixels(int twips)
{
    return twips / kPerPixel;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

} // namespace twips
