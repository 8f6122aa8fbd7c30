// SPDX-License-Identifier: MIT
// A frame control: a captioned group box whose border is painted in solid
// colours, not drawn from a picture.
#pragma once

#include <QGroupBox>

// Under Fusion, a QGroupBox's border comes from a PNG. Qt 6.4 reads a PNG
// only after loading every image-format plugin (libjpeg with them), and
// blending the stretched picture over more than 96 rows hands the work to a
// thread pool it starts for the purpose: together some 6 % of the game's
// start-up, all in its first paint. Under Fusion, FrameBox paints what that
// picture gives over the window's colour, in solid rectangles (no blending,
// so no threads); the caption and the layout stay the style's. It is meant
// for frames that stand on the window's background (on a lighter tab page a
// QGroupBox keeps Fusion's translucent look). Under any other style it is a
// QGroupBox.
class FrameBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit FrameBox(const QString &caption, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
