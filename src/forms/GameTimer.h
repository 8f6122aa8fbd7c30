// SPDX-License-Identifier: MIT
// The game's tick: a precise timer (a coarse one drifts by ~10 ms at 200 ms)
// that carries a text tag, used as the descent's pause mark.
#pragma once

#include <QTimer>

class GameTimer : public QTimer
{
public:
    explicit GameTimer(QObject *parent = nullptr) : QTimer(parent)
    {
        setTimerType(Qt::PreciseTimer);
    }

    // "Blue" while the descent is paused; empty otherwise.
    QString Tag;
};
