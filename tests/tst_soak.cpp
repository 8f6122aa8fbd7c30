// SPDX-License-Identifier: MIT
// Soak: a long game at level 3 through the real game window, with random
// hits and misses, red and blue invaders, and a real process start of a
// harmless stand-in player for every cue. Memory, descriptors and child
// processes must stay flat and the game's invariants hold on every tick.
//
// Short form by default; the long form, beyond QtTest's five-minute watchdog:
// SOAK_TICKS=1000000 QTEST_FUNCTION_TIMEOUT=86400000 tst_soak
#include "forms/AnswerBox.h"
#include "forms/GameTimer.h"
#include "forms/UfoLabel.h"
#include "platform/CommandLauncher.h"

#include "GameFixture.h"
#include "TestFiles.h"

#include <QDir>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTest>
#include <unistd.h>

namespace {

// The scripted world, but cues really start the stand-in player.
class SpawningWorld : public FakeWorld
{
public:
    explicit SpawningWorld(const QString &dir) : launcher(dir) {}
    bool startProcess(const QString &commandLine) override
    {
        ++cues;
        return launcher.start(commandLine);
    }
    CommandLauncher launcher;
    qint64 cues = 0;
};

qint64 residentKb()
{
    const QByteArray status = TestFiles::read("/proc/self/status");
    for (const QByteArray &line : status.split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

int openDescriptors()
{
    return int(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

} // namespace

class tst_soak : public QObject
{
    Q_OBJECT
private slots:
    void longGame();
};

void tst_soak::longGame()
{
    const qint64 ticks = qEnvironmentVariableIsSet("SOAK_TICKS") ? qEnvironmentVariable("SOAK_TICKS").toLongLong()
                                                                  : 10000;
    GameFixture g({}, true);
    const QString player = QDir(g.dir.path()).filePath("Chirp.exe");
    QFile::copy("/bin/true", player);
    QFile::setPermissions(player, QFile::permissions(player) | QFileDevice::ExeOwner);
    SpawningWorld world(g.dir.path());
    frmMain form(world, *g.setup, g.dir.path());
    form.Form_Load();
    form.optLevel[3]->setChecked(true);

    QRandomGenerator random(7);
    qint64 games = 0;
    qint64 rssAfterWarmUp = 0;
    int fdsAfterWarmUp = 0;
    const auto restart = [&] {
        form.cmdStart_Click();
        form.timScrool->stop(); // ticks are driven below
        ++games;
    };
    const auto enter = [&] {
        qint16 key = 13, shift = 0;
        form.txtInput_KeyDown(key, shift);
    };
    restart();
    for (qint64 t = 0; t < ticks; ++t) {
        const qint32 pointsBefore = form.lngPoint();
        const int endingsBefore = int(world.messages.size() + world.inputPrompts.size());
        world.inputAnswers = {QStringLiteral("soak")};
        form.timScrool_Timer();
        const int endings = int(world.messages.size() + world.inputPrompts.size()) - endingsBefore;
        QVERIFY(endings <= 1); // at most one landing ends a game per tick
        if (!form.isPlaying()) {
            QCOMPARE(endings, 1);
            restart();
            continue;
        }
        QCOMPARE(endings, 0);
        for (int i = 0; i < 4; ++i) // every slot in play carries a question after a tick
            QVERIFY(!form.lblUFO[i]->Caption().isEmpty());

        // The player: a hit, a miss, or nothing this tick.
        const int move = random.bounded(10);
        if (move < 3) {
            const int slot = random.bounded(4);
            form.txtInput->setText(form.lblUFO[slot]->Caption());
            // Equal questions: the lowest slot carrying it is the one hit.
            int target = 0;
            while (form.lblUFO[target]->Caption() != form.txtInput->text())
                ++target;
            const bool red = form.lblUFO[target]->ForeColor() == frmMain::Red;
            const float top = form.lblUFO[target]->Top();
            enter();
            QVERIFY(form.lngPoint() > pointsBefore || top >= 7210); // near the bottom a hit is worth 0
            // The slot is free exactly when its caption is empty.
            int free = 0;
            for (UfoLabel *ufo : form.lblUFO)
                free += ufo->Caption().isEmpty() ? 1 : 0;
            QVERIFY(red ? free == 4 : free >= 1);
        } else if (move < 5) {
            form.txtInput->setText(QStringLiteral("はずれ"));
            enter();
            QCOMPARE(form.lngPoint(), pointsBefore);
        }
        QVERIFY(form.lngPoint() >= pointsBefore);

        if (t % 200 == 0)
            QCoreApplication::processEvents(); // the launcher's reaper runs here
        if (t == ticks / 10) {
            rssAfterWarmUp = residentKb();
            fdsAfterWarmUp = openDescriptors();
        }
    }
    QTRY_VERIFY_WITH_TIMEOUT((world.launcher.reap(), world.launcher.pendingChildren() == 0), 10000);
    const qint64 growthKb = residentKb() - rssAfterWarmUp;
    qInfo("%lld ticks, %lld games, %lld cues, memory growth %lld kB after warm-up", ticks, games, world.cues,
          growthKb);
    QVERIFY(games > 10 && world.cues > ticks / 2);
    QCOMPARE(openDescriptors(), fdsAfterWarmUp);
    QVERIFY2(growthKb < 4096, qPrintable(QString::number(growthKb)));
}

QTEST_MAIN(tst_soak)
#include "tst_soak.moc"
