// SPDX-License-Identifier: MIT
// How the game reaches the input method of the player's session where Qt
// alone would not: the platform plugin and input-method module it starts Qt
// with, chosen before Qt starts.
#pragma once

#include <QByteArray>

class InputMethodRoute
{
public:
    // What the session offers, as seen before Qt starts.
    struct Session {
        QByteArray platform;    // QT_QPA_PLATFORM as the player set it, or empty
        QByteArray module;      // QT_IM_MODULE as the player set it, or empty
        bool wayland = false;   // a Wayland session that Qt would run in natively
        bool x11 = false;       // an X server to run in (DISPLAY), XWayland too
        bool textInput = false; // the compositor offers a text-input protocol this Qt speaks
        QByteArray framework;   // Qt's module for the input method this user runs, or empty
    };
    // What to set; an empty member is left to Qt.
    struct Route {
        QByteArray platform;
        QByteArray module;
    };

    // The route for `session`. Nothing where the player chose a module,
    // where no input method runs, or where Qt reaches it by itself: on
    // Wayland through a text-input protocol it speaks (X11 has none). Else
    // the input method's module, and on Wayland, where an X server runs
    // beside the compositor and the player chose no platform, through that
    // X server: natively, Qt's modules cannot tell the input method where
    // the window is (a Wayland client does not know), so its candidate list
    // would open away from the text, and Qt cannot place the game's boxes
    // over the game.
    static Route choose(const Session &session);

    // The session this process runs in: its environment, the globals its
    // Wayland compositor offers (asked over a connection of its own) and the
    // input-method daemons this user runs (fcitx5 before IBus).
    static Session probe();
};
