// SPDX-License-Identifier: MIT
// The invader label.
#include "UfoLabel.h"

#include "FormUnits.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPalette>
#include <algorithm>

namespace {

// Far enough outside the field to be invisible, small enough for QPoint.
constexpr double FarTwips = 1.0e7;

int clampedPx(double twips)
{
    return FormUnits::px(std::clamp(twips, -FarTwips, FarTwips));
}

} // namespace

UfoLabel::UfoLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setForeColor(0);
}

void UfoLabel::setCaption(const QString &caption)
{
    m_caption = caption;
    if (showsPart()) {
        showVisiblePart();
    } else {
        m_shownOffsetPx = 0;
        setText(caption);
        adjustSize();
    }
    place();
}

double UfoLabel::advanceAt(qsizetype i, qsizetype &units)
{
    const QChar c = m_caption.at(i);
    if (c.isHighSurrogate() && i + 1 < m_caption.size() && m_caption.at(i + 1).isLowSurrogate()) {
        units = 2;
        const char32_t code = QChar::surrogateToUcs4(c, m_caption.at(i + 1));
        auto known = m_wideAdvances.constFind(code);
        if (known == m_wideAdvances.constEnd())
            known = m_wideAdvances.insert(code, float(QFontMetricsF(font()).horizontalAdvance(m_caption.mid(i, 2))));
        return *known;
    }
    units = 1;
    if (m_advances.empty())
        m_advances.assign(0x10000, -1.0f);
    float &advance = m_advances[c.unicode()];
    if (advance < 0)
        advance = float(QFontMetricsF(font()).horizontalAdvance(c));
    return advance;
}

void UfoLabel::showVisiblePart()
{
    // Each character's own advance, summed, puts the part where a layout of
    // the whole question would (kerning across it is left out): far cheaper
    // than laying out what lies outside the field.
    const double start = double(m_left) / FormUnits::TwipsPerPixel;
    const double fieldWidth = parentWidget() ? parentWidget()->width() : 0;
    const qsizetype n = m_caption.size();
    qsizetype from = 0;
    qsizetype units = 1;
    double x = start;
    while (from < n) {
        const double w = advanceAt(from, units);
        if (x + w > 0)
            break;
        x += w;
        from += units;
    }
    qsizetype to = from;
    double end = x;
    while (to < n && end < fieldWidth && to - from < ShownChars) {
        end += advanceAt(to, units);
        to += units;
    }
    m_shownOffsetPx = x - start;
    setText(m_caption.sliced(from, to - from));
    adjustSize();
}

void UfoLabel::setTop(float twips)
{
    m_top = twips;
    place();
}

void UfoLabel::setLeft(float twips)
{
    const bool moved = twips != m_left;
    m_left = twips;
    if (moved && showsPart())
        showVisiblePart();
    place();
}

void UfoLabel::setForeColor(quint32 bgr)
{
    m_foreColor = bgr;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, FormUnits::color(bgr));
    setPalette(p);
}

void UfoLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_advances.clear();
        m_wideAdvances.clear();
        if (showsPart()) {
            showVisiblePart();
            place();
        }
    }
}

void UfoLabel::place()
{
    const double left = double(m_left) + m_shownOffsetPx * FormUnits::TwipsPerPixel;
    move(clampedPx(left), clampedPx(m_top));
}
