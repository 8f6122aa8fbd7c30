// SPDX-License-Identifier: MIT
// An invader: a label in the play field that carries a question, keeps its
// exact single-precision position in twips, a text tag and its kind colour.
#pragma once

#include <QHash>
#include <QLabel>

#include <vector>

class UfoLabel : public QLabel
{
public:
    explicit UfoLabel(QWidget *parent = nullptr);

    // The question; the empty text means the slot is free. The label shows
    // a question of up to ShownChars characters whole and sizes itself to
    // it; of a longer one it shows only the characters that fall inside its
    // parent (the play field) where the whole question would lie.
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);

    // The longest question laid out whole, and the most characters laid out
    // of a longer one. A question file may hold a line far longer (up to its
    // size bound); laying all of it out would freeze the window for a
    // noticeable time at each launch.
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

protected:
    void changeEvent(QEvent *event) override;

private:
    bool showsPart() const { return m_caption.size() > ShownChars; }
    void showVisiblePart();
    double advanceAt(qsizetype i, qsizetype &units);
    void place();

    QString m_caption;
    float m_top = 0;
    float m_left = 0;
    quint32 m_foreColor = 0;
    // Of a question shown in part: how far, in pixels, the part shown lies
    // right of where the question starts.
    double m_shownOffsetPx = 0;
    // Advances in pixels of the characters met so far in this font: by
    // UTF-16 code unit (negative: not measured yet), and of the characters
    // beyond U+FFFF by code point.
    std::vector<float> m_advances;
    QHash<char32_t, float> m_wideAdvances;
};
