// SPDX-License-Identifier: MIT
// The frame round the game's windows where the compositor draws none.
#include "WindowFrame.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QPainter>
#include <QtGui/QWindow>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>

namespace {

// Light, flat and centred as GNOME's own title bars, which are the frames
// this one stands beside.
constexpr int Border = 1;
constexpr int TitleHeight = 32;
constexpr qreal ButtonSize = 22;
constexpr qreal ButtonGap = 6;
constexpr qreal GlyphHalf = 4;

struct Palette {
    QColor title, text, border, button;
};
Palette paletteFor(bool active)
{
    if (active)
        return {QColor(0xeb, 0xeb, 0xeb), QColor(0x2e, 0x2e, 0x2e), QColor(0xb6, 0xb6, 0xb3), QColor(0xd8, 0xd8, 0xd8)};
    return {QColor(0xfa, 0xfa, 0xfa), QColor(0x94, 0x94, 0x94), QColor(0xcd, 0xc7, 0xc2), QColor(0xee, 0xee, 0xee)};
}

} // namespace

QMargins WindowFrame::margins(MarginsType type) const
{
    if (type == ShadowsOnly)
        return {};
    return {Border, TitleHeight, Border, Border};
}

// The window's own area, in the surface's coordinates.
QRectF WindowFrame::clientArea() const
{
    return {Border, TitleHeight, qreal(window()->width()), qreal(window()->height())};
}

bool WindowFrame::canGrow() const
{
    const QWindow *w = window();
    return (w->flags() & Qt::WindowMaximizeButtonHint) && w->minimumSize() != w->maximumSize();
}

// The buttons from the right-hand end of the title bar inwards.
QList<WindowFrame::Button> WindowFrame::buttons() const
{
    const Qt::WindowFlags flags = window()->flags();
    QList<Button> list;
    if (flags & Qt::WindowCloseButtonHint)
        list << Button::Close;
    if (canGrow())
        list << Button::Maximise;
    if (flags & Qt::WindowMinimizeButtonHint)
        list << Button::Minimise;
    return list;
}

QRectF WindowFrame::buttonRect(qsizetype index) const
{
    const qreal right = Border + window()->width() - ButtonGap;
    return {right - (index + 1) * ButtonSize - index * ButtonGap, (TitleHeight - ButtonSize) / 2, ButtonSize, ButtonSize};
}

WindowFrame::Button WindowFrame::buttonAt(const QPointF &local) const
{
    const QList<Button> list = buttons();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (buttonRect(i).contains(local))
            return list[i];
    }
    return Button::None;
}

void WindowFrame::press(Button button)
{
    QWindow *w = window();
    switch (button) {
    case Button::Close:
        // As the compositor's close would: a close request queued as a
        // window-system event, which the window's close event then decides.
        // Not at once: closing may delete the window and this frame with it
        // while Qt still handles the click that got here.
        QWindowSystemInterface::handleCloseEvent(w);
        break;
    case Button::Maximise:
        w->setWindowStates(w->windowStates() ^ Qt::WindowMaximized);
        break;
    case Button::Minimise:
        w->setWindowStates(w->windowStates() | Qt::WindowMinimized);
        break;
    case Button::None:
        break;
    }
}

void WindowFrame::paint(QPaintDevice *device)
{
    const QWindow *w = window();
    // The platform's word, not Qt's focus window: Qt learns of an
    // activation after the frame is repainted for it.
    const Palette colours = paletteFor(w->handle() && w->handle()->isActive());
    const QRect whole = clientArea().marginsAdded(QMarginsF(margins())).toRect();

    QPainter p(device);
    p.fillRect(QRect(whole.left(), whole.top(), whole.width(), TitleHeight), colours.title);
    p.setPen(colours.border);
    p.drawRect(whole.adjusted(0, 0, -1, -1));
    p.drawLine(Border, TitleHeight - 1, whole.width() - Border - 1, TitleHeight - 1);

    const QList<Button> list = buttons();
    p.setRenderHint(QPainter::Antialiasing);
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QRectF r = buttonRect(i);
        const QPointF c = r.center();
        p.setPen(Qt::NoPen);
        p.setBrush(colours.button);
        p.drawEllipse(r);
        p.setPen(QPen(colours.text, 1.5));
        p.setBrush(Qt::NoBrush);
        switch (list[i]) {
        case Button::Close:
            p.drawLine(c + QPointF(-GlyphHalf, -GlyphHalf), c + QPointF(GlyphHalf, GlyphHalf));
            p.drawLine(c + QPointF(-GlyphHalf, GlyphHalf), c + QPointF(GlyphHalf, -GlyphHalf));
            break;
        case Button::Maximise:
            p.drawRect(QRectF(c - QPointF(GlyphHalf, GlyphHalf), c + QPointF(GlyphHalf, GlyphHalf)));
            break;
        case Button::Minimise:
            p.drawLine(c + QPointF(-GlyphHalf, GlyphHalf), c + QPointF(GlyphHalf, GlyphHalf));
            break;
        case Button::None:
            break;
        }
    }

    const QString title = w->title();
    if (title.isEmpty())
        return;
    // Centred on the window where it fits beside the buttons, else moved
    // clear of them, and cut short only where the bar is too narrow.
    QFont font = QGuiApplication::font();
    font.setBold(true);
    p.setFont(font);
    p.setPen(colours.text);
    const qreal left = Border + ButtonGap;
    const qreal right = list.isEmpty() ? Border + w->width() - ButtonGap : buttonRect(list.size() - 1).left() - ButtonGap;
    const QString shown = p.fontMetrics().elidedText(title, Qt::ElideRight, int(right - left));
    const qreal width = p.fontMetrics().horizontalAdvance(shown);
    const qreal x = qBound(left, Border + (w->width() - width) / 2, right - width);
    p.drawText(QRectF(x, 0, width + 1, TitleHeight - 1), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

bool WindowFrame::handleMouse(QtWaylandClient::QWaylandInputDevice *inputDevice, const QPointF &local, const QPointF &,
                              Qt::MouseButtons mouseButtons, Qt::KeyboardModifiers)
{
    const QRectF client = clientArea();
    if (client.contains(local)) {
        m_pressed = Button::None;
        setMouseButtons(mouseButtons);
        return false;
    }

    const Button under = buttonAt(local);
    if (isLeftClicked(mouseButtons)) {
        m_pressed = under;
        if (under == Button::None) {
            if (local.y() >= TitleHeight || local.y() < Border) {
                if (canGrow()) {
                    Qt::Edges edges;
                    if (local.x() < Border) edges |= Qt::LeftEdge;
                    if (local.x() >= client.right()) edges |= Qt::RightEdge;
                    if (local.y() < Border) edges |= Qt::TopEdge;
                    if (local.y() >= client.bottom()) edges |= Qt::BottomEdge;
                    startResize(inputDevice, edges, mouseButtons);
                }
            } else {
                startMove(inputDevice, mouseButtons);
            }
        }
    } else if (isLeftReleased(mouseButtons)) {
        // A button acts when the press and the release were both on it.
        if (under != Button::None && under == m_pressed)
            press(under);
        m_pressed = Button::None;
    } else if (isRightClicked(mouseButtons) && local.y() < TitleHeight) {
        showWindowMenu(inputDevice);
    }
    setMouseButtons(mouseButtons);
    return true;
}

bool WindowFrame::handleTouch(QtWaylandClient::QWaylandInputDevice *inputDevice, const QPointF &local, const QPointF &,
                              QEventPoint::State state, Qt::KeyboardModifiers)
{
    if (clientArea().contains(local) || state != QEventPoint::Pressed)
        return false;
    if (const Button under = buttonAt(local); under != Button::None) {
        press(under);
    } else if (local.y() < TitleHeight) {
        // A move starts from a press the frame has not seen yet.
        setMouseButtons(Qt::NoButton);
        startMove(inputDevice, Qt::LeftButton);
    }
    return true;
}
