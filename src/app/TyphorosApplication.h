// The application object: the one place where a run-time error raised in an
// event procedure is caught, reported and ends the program.
#pragma once

#include <QApplication>

class World;

class TyphorosApplication : public QApplication
{
public:
    TyphorosApplication(int &argc, char **argv);

    // The world whose message box shows the run-time error report.
    void setWorld(World *world) { m_world = world; }

    // Delivers events; a RuntimeError escaping an event procedure is reported
    // and ends the process at once with the error's exit code.
    bool notify(QObject *receiver, QEvent *event) override;

private:
    World *m_world = nullptr;
};
