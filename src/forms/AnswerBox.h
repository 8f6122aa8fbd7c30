// SPDX-License-Identifier: MIT
// The answer box: a line edit that reports key-down events with numeric key
// codes (13 for Enter), keeping the input method's own Enter to itself.
#pragma once

#include <QLineEdit>

class AnswerBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit AnswerBox(QWidget *parent = nullptr);

    // The answer as the game reads it: the typed text as a code page 932 box
    // would hold it, so that a look-alike the input method commits (〜 for
    // ～, ¥ for \) matches the question it stands for.
    QString Text() const;

    // True while the input method shows a composition that is not committed.
    bool isComposing() const { return m_composing; }

signals:
    // A key went down in the box: `keyCode` is 13 for Enter (either Return
    // or keypad Enter), the character code for other printable ASCII keys
    // and 0 for the rest; `shift` carries Shift 1, Ctrl 2, Alt 4.
    void keyDown(qint16 keyCode, qint16 shift);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool m_composing = false;
};
