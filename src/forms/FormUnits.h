// Units of the window layouts: twips (15 to a pixel at 96 dpi) and colours
// written 0x00BBGGRR.
#pragma once

#include <QColor>
#include <QRect>
#include <cmath>

namespace FormUnits {

constexpr int TwipsPerPixel = 15;

// Twips to whole pixels, rounded to the nearest pixel.
inline int px(double twips)
{
    return int(std::lround(twips / TwipsPerPixel));
}

// A rectangle given in twips, in pixels.
inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// A 0x00BBGGRR colour: red in the low byte, blue in the high byte.
inline QColor color(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

} // namespace FormUnits
