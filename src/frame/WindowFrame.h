// SPDX-License-Identifier: MIT
// The frame round the game's windows where the compositor draws none (GNOME
// on Wayland): the window's title, and a button for each thing the window
// offers: close and minimise as its flags say, maximise only where the
// window can also grow.
#pragma once

#include "QtWaylandDecoration.h"

class WindowFrame : public QtWaylandClient::QWaylandAbstractDecoration
{
public:
    enum class Button { None, Minimise, Maximise, Close };

    // The frame's width on each side of the client area, in logical pixels.
    QMargins margins(MarginsType type = Full) const override;
    // A pointer event at `local` (surface coordinates, frame included):
    // true when the frame took it, false when it belongs to the client area.
    bool handleMouse(QtWaylandClient::QWaylandInputDevice *inputDevice, const QPointF &local, const QPointF &global,
                     Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) override;
    bool handleTouch(QtWaylandClient::QWaylandInputDevice *inputDevice, const QPointF &local, const QPointF &global,
                     QEventPoint::State state, Qt::KeyboardModifiers modifiers) override;

protected:
    void paint(QPaintDevice *device) override;

private:
    QList<Button> buttons() const;
    QRectF buttonRect(qsizetype index) const;
    Button buttonAt(const QPointF &local) const;
    bool canGrow() const;
    QRectF clientArea() const;
    void press(Button button);

    Button m_pressed = Button::None;
};
