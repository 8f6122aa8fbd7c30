// SPDX-License-Identifier: MIT
// A label that acts as a link: pointing-hand cursor, clicked on release.
#pragma once

#include <QLabel>

class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
