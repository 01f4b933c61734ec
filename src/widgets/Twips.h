#pragma once
// Window layouts are given in twips: 15 twips to a pixel at 96 dots per inch.

#include <QRect>

namespace petalwright::widgets {

inline constexpr int kTwipsPerPixel = 15;

// A control's place (left, top, width, height) in twips, in pixels.
constexpr QRect twips(int left, int top, int width, int height)
{
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel};
}

} // namespace petalwright::widgets
