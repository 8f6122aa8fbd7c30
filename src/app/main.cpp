// SPDX-License-Identifier: MIT
// The typhoros executable: wires the real world and starts the game.
#include "app/TyphorosApplication.h"
#include "app/modTyphoros.h"
#include "desktop/Fonts.h"
#include "desktop/InputMethodRoute.h"
#include "desktop/SystemWorld.h"
#include "forms/frmMain.h"
#include "platform/GameEnvironment.h"
#include "platform/RuntimeError.h"

#include <QFile>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    // Qt reads these variables as it starts, and the game's own threads do
    // not exist yet.
    const QString programFile = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    // Where the compositor draws no frames (GNOME), Qt draws them; the
    // game's own frame offers no maximise for its fixed-size windows. A
    // frame the player chose stands.
    if (QFileInfo::exists(QFileInfo(programFile).absolutePath()
                          + QStringLiteral("/wayland-decoration-client/libtyphoros-frame.so")))
        GameEnvironment::setDefault("QT_WAYLAND_DECORATION", "typhoros");
    // Japanese input with nothing for the player to set, where Qt alone
    // would not reach the session's input method (GNOME with Qt before 6.7).
    const InputMethodRoute::Route route = InputMethodRoute::choose(InputMethodRoute::probe());
    if (!route.platform.isEmpty())
        GameEnvironment::setDefault("QT_QPA_PLATFORM", route.platform);
    if (!route.module.isEmpty())
        GameEnvironment::setDefault("QT_IM_MODULE", route.module);

    TyphorosApplication app(argc, argv);
    app.setApplicationName(QStringLiteral(TYPHOROS_NAME));
    app.setApplicationVersion(QStringLiteral(TYPHOROS_VERSION));
    // The desktop entry's name: the Wayland app id, by which the desktop
    // shows the window with the entry's name and icon and groups it with
    // its launcher (on X11 the entry's StartupWMClass does that).
    app.setDesktopFileName(QStringLiteral(TYPHOROS_APP_ID));
    Fonts::installSubstitutions();

    const QString programDirectory = QCoreApplication::applicationDirPath();
    SystemWorld world(programDirectory);
    app.setWorld(&world);

    std::unique_ptr<frmMain> window;
    try {
        window = modTyphoros::Main(world, DataFolders(programDirectory, DataFolders::userFolderFromEnvironment()));
    } catch (const RuntimeError &error) {
        return modTyphoros::ReportRuntimeError(world, error);
    }
    app.setGameWindow(window.get());
    world.setOwnerWindow(window.get());
    QObject::connect(window.get(), &frmMain::programEnded, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}
