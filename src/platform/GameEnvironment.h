// SPDX-License-Identifier: MIT
// Environment variables the game sets for its own Qt alone: the programs it
// starts (the sound player) get the environment the game was started with.
#pragma once

#include <QByteArray>
#include <QList>

class GameEnvironment
{
public:
    // Sets `name` to `value` in the game's environment unless it is set
    // already (the player's own choice stands); true when it set it. Call
    // before any thread starts, as setenv(3) requires.
    static bool setDefault(const char *name, const QByteArray &value);

    // The environment for a program the game starts, as "NAME=VALUE"
    // entries: the game's own, less what setDefault set.
    static QList<QByteArray> forChildren();
};
