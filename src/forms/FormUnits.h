// SPDX-License-Identifier: MIT
// Units of the window layouts: twips (15 to a pixel at 96 dpi), colours
// written 0x00BBGGRR, and placing a window on the screen.
#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
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

// Moves the window `w` so that its frame is centred on the primary screen.
inline void centreOnScreen(QWidget &w)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = w.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        w.move(frame.topLeft());
    }
}

} // namespace FormUnits
