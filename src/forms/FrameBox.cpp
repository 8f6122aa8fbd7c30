// SPDX-License-Identifier: MIT
// The frame control.
#include "FrameBox.h"

#include <QPaintEngine>
#include <QStyleOptionGroupBox>
#include <QStylePainter>

namespace {

// A paint device that draws nothing and notes what it was asked to draw:
// the rectangle covered by pictures and whether anything else came.
class FrameRecorder : public QPaintDevice, private QPaintEngine
{
public:
    explicit FrameRecorder(QSize size) : QPaintEngine(AllFeatures), size(size) {}

    QRect pictureArea;    // union of the pictures' target rectangles
    bool otherInk = false; // lines, shapes, text or images besides them

private:
    QPaintEngine *paintEngine() const override { return const_cast<FrameRecorder *>(this); }
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return size.width();
        case PdmHeight: return size.height();
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        case PdmDepth: return 32;
        default: return 1;
        }
    }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    Type type() const override { return User; }
    void drawPixmap(const QRectF &r, const QPixmap &, const QRectF &) override
    {
        pictureArea |= r.toAlignedRect();
    }
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override { otherInk = true; }
    void drawPath(const QPainterPath &) override { otherInk = true; }
    void drawTextItem(const QPointF &, const QTextItem &) override { otherInk = true; }
    void drawImage(const QRectF &, const QImage &, const QRectF &, Qt::ImageConversionFlags) override
    {
        otherInk = true;
    }
    void drawTiledPixmap(const QRectF &, const QPixmap &, const QPointF &) override { otherInk = true; }

    QSize size;
};

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
    if (style()->name() != QLatin1String("fusion")) {
        QGroupBox::paintEvent(event);
        return;
    }
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_GroupBoxFrame;
    FrameRecorder recorder(size());
    {
        QPainter probe(&recorder);
        style()->drawComplexControl(QStyle::CC_GroupBox, &option, &probe, this);
    }
    const QRect frame = recorder.pictureArea;
    if (recorder.otherInk || frame.width() < 4 || frame.height() < 4) {
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

    initStyleOption(&option);
    option.subControls &= ~QStyle::SC_GroupBoxFrame;
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}
