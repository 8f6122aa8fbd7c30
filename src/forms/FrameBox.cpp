// SPDX-License-Identifier: MIT
// The frame control.
#include "FrameBox.h"

#include <QStyleOptionGroupBox>
#include <QStylePainter>

namespace {

// Fusion's space between the caption's band and the frame.
constexpr int BandMargin = 3;

// `ink` laid over `ground` at `alpha`/255, as the picture's pixels blend.
QColor over(const QColor &ground, QRgb ink, int alpha)
{
    const auto mix = [alpha](int g, int i) { return (g * (255 - alpha) + i * alpha + 127) / 255; };
    return QColor(mix(ground.red(), qRed(ink)), mix(ground.green(), qGreen(ink)), mix(ground.blue(), qBlue(ink)));
}

} // namespace

FrameBox::FrameBox(const QString &caption, QWidget *parent) : QGroupBox(caption, parent) {}

void FrameBox::paintEvent(QPaintEvent *event)
{
    if (style()->name() != QLatin1String("fusion") || title().isEmpty() || isCheckable()) {
        QGroupBox::paintEvent(event);
        return;
    }
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    QRect frame = style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, this);
    // A frame rectangle that still covers the caption loses the caption's
    // band where Fusion draws: the caption's height or the indicator's,
    // whichever is taller, and a margin.
    if (frame.top() <= option.rect.top())
        frame.setTop(option.rect.top() + BandMargin
                     + qMax(style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight), option.fontMetrics.height()));
    if (frame.width() < 4 || frame.height() < 4) {
        QGroupBox::paintEvent(event);
        return;
    }

    // The picture: its first row and column clear, then a grey hairline at
    // 50/255 whose corner pixels stay clear, a black shade of 7/255 along its
    // inner edge and of 3/255 inside.
    QStylePainter painter(this);
    const QColor ground = palette().color(QPalette::Window);
    const int left = frame.left() + 1, top = frame.top() + 1, right = frame.right(), bottom = frame.bottom();
    const int width = right - left + 1, height = bottom - top + 1;
    painter.fillRect(left + 1, top + 1, width - 2, height - 2, over(ground, qRgb(0, 0, 0), 7));
    painter.fillRect(left + 2, top + 2, width - 4, height - 4, over(ground, qRgb(0, 0, 0), 3));
    const QColor hairline = over(ground, qRgb(0x75, 0x75, 0x75), 50);
    painter.fillRect(left + 1, top, width - 2, 1, hairline);
    painter.fillRect(left + 1, bottom, width - 2, 1, hairline);
    painter.fillRect(left, top + 1, 1, height - 2, hairline);
    painter.fillRect(right, top + 1, 1, height - 2, hairline);

    option.subControls &= ~QStyle::SC_GroupBoxFrame;
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}
