// SPDX-License-Identifier: MIT
// The play field.
#include "PlayField.h"

#include "FormUnits.h"

PlayField::PlayField(QWidget *parent) : QFrame(parent), m_canvas(new QWidget(this))
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
}

float PlayField::WidthTwips() const
{
    return float(width() * FormUnits::TwipsPerPixel);
}

float PlayField::HeightTwips() const
{
    return float(height() * FormUnits::TwipsPerPixel);
}

void PlayField::setFieldGeometry(const QRect &pixels)
{
    setGeometry(pixels);
    m_canvas->setGeometry(contentsRect());
}

void PlayField::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    m_canvas->setGeometry(contentsRect());
}
