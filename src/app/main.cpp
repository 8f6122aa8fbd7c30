// SPDX-License-Identifier: MIT
// The typhoros executable: wires the real world and starts the game.
#include "app/TyphorosApplication.h"
#include "app/modTyphoros.h"
#include "desktop/Fonts.h"
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

    TyphorosApplication app(argc, argv);
    app.setApplicationName(QStringLiteral(TYPHOROS_NAME));
    app.setApplicationVersion(QStringLiteral(TYPHOROS_VERSION));
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
