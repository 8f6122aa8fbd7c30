// SPDX-License-Identifier: MIT
// The answer box.
#include "AnswerBox.h"

#include "platform/Cp932.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <limits>

AnswerBox::AnswerBox(QWidget *parent) : QLineEdit(parent)
{
    // No length limit of its own (Qt's default is 32,767 characters).
    setMaxLength(std::numeric_limits<int>::max());
}

QString AnswerBox::Text() const
{
    return Cp932::bestFit(text());
}

void AnswerBox::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_composing) {
        // This Enter confirms a conversion: it belongs to the input method.
        QLineEdit::keyPressEvent(event);
        return;
    }
    qint16 code = 0;
    if (enter)
        code = 13;
    else if (event->key() >= 0x20 && event->key() <= 0x7E)
        code = qint16(event->key());
    qint16 shift = 0;
    if (event->modifiers() & Qt::ShiftModifier)
        shift |= 1;
    if (event->modifiers() & Qt::ControlModifier)
        shift |= 2;
    if (event->modifiers() & Qt::AltModifier)
        shift |= 4;
    emit keyDown(code, shift);
    if (enter)
        event->accept();
    else
        QLineEdit::keyPressEvent(event);
}

void AnswerBox::inputMethodEvent(QInputMethodEvent *event)
{
    m_composing = !event->preeditString().isEmpty();
    QLineEdit::inputMethodEvent(event);
}

void AnswerBox::focusOutEvent(QFocusEvent *event)
{
    // Losing the focus ends any composition the input method had going.
    m_composing = false;
    QLineEdit::focusOutEvent(event);
}
