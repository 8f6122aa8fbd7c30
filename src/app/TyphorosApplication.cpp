// SPDX-License-Identifier: MIT
// The application object and its run-time error guard.
#include "TyphorosApplication.h"

#include "modTyphoros.h"
#include "forms/frmMain.h"
#include "platform/RuntimeError.h"

#include <cstdio>
#include <cstdlib>

TyphorosApplication::TyphorosApplication(int &argc, char **argv) : QApplication(argc, argv)
{
}

bool TyphorosApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const RuntimeError &error) {
        // The report box runs its own event loop: the game must not go on
        // behind it.
        if (m_window)
            m_window->freezeGame();
        const int code = m_world ? modTyphoros::ReportRuntimeError(*m_world, error) : int(error.number());
        // The procedure was abandoned half way: nothing may run after it.
        // Every settings change is already on disk.
        std::_Exit(code);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "Typhoros: %s\n", error.what());
        std::_Exit(EXIT_FAILURE);
    }
}
