// SPDX-License-Identifier: MIT
// A frame control: a captioned group box whose border is painted in solid
// colours where the style would blend a picture.
#pragma once

#include <QGroupBox>

// Under Fusion, a QGroupBox's border is a PNG stretched over the frame.
// Qt 6.4 reads a PNG only after loading every image-format plugin, and
// blending the stretched picture over more than 96 rows hands the work to a
// thread pool it starts for the purpose: a noticeable share of the game's
// start-up, all in its first paint. FrameBox asks the style to draw its
// frame into a recorder instead of the screen, which tells where the picture
// goes (each Qt version places it its own way) without blending a pixel, and
// paints what that picture gives over the window's colour there, in solid
// rectangles (no blending, so no threads); the caption and the layout stay
// the style's. It is meant for frames that stand on the window's background
// (on a lighter tab page a QGroupBox keeps Fusion's translucent look). Under
// any other style, or when the style draws its frame otherwise, it is a
// QGroupBox.
class FrameBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit FrameBox(const QString &caption, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
