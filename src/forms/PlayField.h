// SPDX-License-Identifier: MIT
// The play field: a sunken 3-D frame whose inner area holds and clips the
// invaders.
#pragma once

#include <QFrame>

class PlayField : public QFrame
{
public:
    explicit PlayField(QWidget *parent = nullptr);

    // Outer size in twips, border included (9615 x 7215 in the game window);
    // Qt's width() and height() are the same size in pixels.
    float WidthTwips() const;
    float HeightTwips() const;

    // Places the field in its parent (pixels) and its canvas inside the
    // border at once, without waiting for the first show.
    void setFieldGeometry(const QRect &pixels);

    // The area inside the border: the invaders' parent, which clips them.
    QWidget *canvas() const { return m_canvas; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_canvas;
};
