// SPDX-License-Identifier: MIT
// An invader: a label in the play field that carries a question, keeps its
// exact single-precision position in twips, a text tag and its kind colour.
#pragma once

#include <QLabel>

class UfoLabel : public QLabel
{
public:
    explicit UfoLabel(QWidget *parent = nullptr);

    // The question; the empty text means the slot is free. The label sizes
    // itself to it and shows at most its first ShownChars characters.
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);

    // More characters than any play field can show at once. A question file
    // may hold a line far longer (up to its size bound); laying all of it
    // out would freeze the window for a noticeable time at each launch.
    static constexpr qsizetype ShownChars = 4096;

    // Position of the top-left corner inside the play field, in twips. The
    // values are kept exactly and read back as set; the widget is placed at
    // the nearest pixel.
    float Top() const { return m_top; }
    void setTop(float twips);
    float Left() const { return m_left; }
    void setLeft(float twips);

    // The fall step as decimal text while the invader flies.
    QString Tag;

    // The text colour, 0x00BBGGRR.
    quint32 ForeColor() const { return m_foreColor; }
    void setForeColor(quint32 bgr);

    // Shown or hidden, whether or not the window itself is on screen.
    bool Visible() const { return !isHidden(); }

private:
    void place();

    QString m_caption;
    float m_top = 0;
    float m_left = 0;
    quint32 m_foreColor = 0;
};
