// SPDX-License-Identifier: MIT
// The invader label.
#include "UfoLabel.h"

#include "FormUnits.h"

#include <QPalette>
#include <algorithm>

namespace {

// Far enough outside the field to be invisible, small enough for QPoint.
int clampedPx(float twips)
{
    return FormUnits::px(std::clamp(double(twips), -1.0e7, 1.0e7));
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
    setText(caption.size() > ShownChars ? caption.left(ShownChars) : caption);
    adjustSize();
}

void UfoLabel::setTop(float twips)
{
    m_top = twips;
    place();
}

void UfoLabel::setLeft(float twips)
{
    m_left = twips;
    place();
}

void UfoLabel::setForeColor(quint32 bgr)
{
    m_foreColor = bgr;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, FormUnits::color(bgr));
    setPalette(p);
}

void UfoLabel::place()
{
    move(clampedPx(m_left), clampedPx(m_top));
}
