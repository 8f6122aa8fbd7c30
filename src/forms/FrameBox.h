// SPDX-License-Identifier: MIT
// A frame control: a captioned group box whose border is painted in solid
// colours where the style would blend a picture.
#pragma once

#include <QGroupBox>

// Under Fusion, a QGroupBox's border is a picture (a PNG) stretched over the
// frame. Reading it loads every image-format plugin, and blending it over
// more than 96 rows starts a thread pool: both in the game's first paint.
// FrameBox paints what that picture gives over the window's colour, in
// solid rectangles, over the rectangle where Fusion puts it: the one the
// style names as the group box's frame, less the caption's band where that
// rectangle still covers the caption (Fusion then takes the band off
// itself, as Qt 6.4 does). Nothing is read or blended; the caption and the
// layout stay the style's. It is meant for frames that stand on the
// window's background (on a lighter tab page a QGroupBox keeps Fusion's
// translucent look). Under any other style, and without a caption or with
// a check box, it is a QGroupBox.
class FrameBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit FrameBox(const QString &caption, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
