// SPDX-License-Identifier: MIT
// The application object: the one place where a run-time error raised in an
// event procedure is caught, reported and ends the program.
#pragma once

#include <QApplication>

class World;
class frmMain;

class TyphorosApplication : public QApplication
{
public:
    TyphorosApplication(int &argc, char **argv);

    // The world whose message box shows the run-time error report.
    void setWorld(World *world) { m_world = world; }

    // The game window, whose game stops before a report opens.
    void setGameWindow(frmMain *window) { m_window = window; }

    // Delivers events; a RuntimeError escaping an event procedure freezes the
    // game, is reported and ends the process at once with the error's exit
    // code. No tick, cue or settings write runs while the report is open.
    bool notify(QObject *receiver, QEvent *event) override;

private:
    World *m_world = nullptr;
    frmMain *m_window = nullptr;
};
