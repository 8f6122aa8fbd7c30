// SPDX-License-Identifier: MIT
// Start-up of the game.
#include "modTyphoros.h"

#include "classes/clsSetup.h"
#include "forms/frmMain.h"
#include "platform/RuntimeError.h"
#include "platform/World.h"

#include <cstdio>

namespace modTyphoros {

std::unique_ptr<clsSetup> gclsSetup;

std::unique_ptr<frmMain> Main(World &world, const DataFolders &folders)
{
    gclsSetup = std::make_unique<clsSetup>(world, folders);
    auto window = std::make_unique<frmMain>(world, *gclsSetup, folders);
    window->Form_Load();
    window->show();
    return window;
}

int ReportRuntimeError(World &world, const RuntimeError &error)
{
    QString line = QStringLiteral("Typhoros: Run-time error '%1': %2").arg(int(error.number())).arg(error.description());
    if (!error.fileName().isEmpty())
        line += QStringLiteral(": ") + error.fileName();
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    world.msgBox(error.report(), QStringLiteral(TYPHOROS_NAME));
    return int(error.number());
}

} // namespace modTyphoros
