// SPDX-License-Identifier: MIT
// The typhoros executable: wires the real world and starts the game.
#include "app/TyphorosApplication.h"
#include "app/modTyphoros.h"
#include "desktop/Fonts.h"
#include "desktop/SystemWorld.h"
#include "forms/frmMain.h"
#include "platform/RuntimeError.h"

#include <QFileInfo>

int main(int argc, char *argv[])
{
    TyphorosApplication app(argc, argv);
    app.setApplicationName(QStringLiteral(TYPHOROS_NAME));
    app.setApplicationVersion(QStringLiteral(TYPHOROS_VERSION));
    Fonts::installSubstitutions();

    const QString programDirectory = QCoreApplication::applicationDirPath();
    // Where the compositor draws no frames (GNOME), Qt draws them; the
    // game's own frame offers no maximise for its fixed-size windows. A
    // frame the player chose stands.
    if (qEnvironmentVariableIsEmpty("QT_WAYLAND_DECORATION")
        && QFileInfo::exists(programDirectory + QStringLiteral("/wayland-decoration-client/libtyphoros-frame.so")))
        qputenv("QT_WAYLAND_DECORATION", "typhoros");
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
