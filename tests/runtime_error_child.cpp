// SPDX-License-Identifier: MIT
// A game that meets a run-time error inside an event procedure, started as a
// child process by tst_startup so that the error goes through the
// application's real event guard: while a level-3 game runs, an event
// procedure raises an overflow. The (scripted) report box stays open for
// half a second with events running and tells on stderr what ran meanwhile.
#include "app/TyphorosApplication.h"
#include "app/modTyphoros.h"
#include "forms/frmMain.h"
#include "platform/RuntimeError.h"

#include "FakeWorld.h"
#include "TestFiles.h"

#include <QEventLoop>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    TyphorosApplication app(argc, argv);
    QTemporaryDir dir;
    TestFiles::writeQuestionFiles(dir.path(), {{"a"}, {"b"}, {"c"}, {"d"}});
    const QString ini = dir.filePath("Typhoros.ini");
    TestFiles::write(ini, "[Setup]\r\nSoundOn=True\r\n");
    FakeWorld world;
    app.setWorld(&world);
    auto window = modTyphoros::Main(world, dir.path());
    app.setGameWindow(window.get());
    world.onMessage = [&] {
        std::fprintf(stderr, "a report opened\n");
        const qsizetype cues = world.processes.size();
        const QByteArray settings = TestFiles::read(ini);
        QEventLoop box;
        QTimer::singleShot(500, &box, &QEventLoop::quit);
        box.exec();
        std::fprintf(stderr, "while the report was open: %d cues, settings %s\n",
                     int(world.processes.size() - cues), TestFiles::read(ini) == settings ? "unchanged" : "changed");
    };
    window->optLevel[3]->setChecked(true);
    window->cmdStart_Click(); // a tick every 200 ms
    QTimer::singleShot(300, [] { throw RuntimeError(RuntimeError::Overflow); });
    return app.exec();
}
