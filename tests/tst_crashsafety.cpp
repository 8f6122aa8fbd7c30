// SPDX-License-Identifier: MIT
// Crash safety of the settings file: a process writing the high-score table
// is killed at random moments, again and again; after every kill the file
// holds a whole table, the last one written or the one before, never a torn
// or lost one, and no temporary files pile up. Where /proc is missing, a named temporary file serves.
#include "classes/clsSetup.h"
#include "platform/AtomicFile.h"
#include "platform/IniDocument.h"

#include "FakeWorld.h"
#include "TestFiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdlib>
#include <limits>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int temporaries(const QString &dir)
{
    return int(QDir(dir).entryList({"Typhoros.ini?*"}, QDir::Files | QDir::Hidden).size());
}

} // namespace

class tst_crashsafety : public QObject
{
    Q_OBJECT
private slots:
    void killedWritersNeverTearTheTable();
    void withoutProcANamedTemporaryFileServes();
    void fullDiskLeavesTheFileAsItWas();
};

void tst_crashsafety::killedWritersNeverTearTheTable()
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("Typhoros.ini");
    TestFiles::write(path, "; kept through every write\r\n[Setup]\r\nSoundOn=True\r\n");
    {
        FakeWorld world;
        clsSetup(world, dir.path()).SetScore(1);
    }

    QRandomGenerator random(20261207);
    qint32 lastBest = 1;
    int mostLeft = 0;
    const int kills = 1000;
    for (int n = 0; n < kills; ++n) {
        int ready[2];
        QVERIFY(::pipe(ready) == 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // The writer: enters ever higher scores until it is killed.
            FakeWorld world;
            clsSetup setup(world, dir.path());
            const char go = 1;
            if (::write(ready[1], &go, 1) != 1)
                ::_exit(1);
            for (;;)
                setup.SetScore(setup.Score(1) + 1);
        }
        // The kill falls anywhere in the writing, however long the forked
        // child took to get there (a sanitized child on a busy machine may
        // take longer than the whole window).
        ::close(ready[1]);
        char go = 0;
        QCOMPARE(::read(ready[0], &go, 1), ssize_t(1));
        ::close(ready[0]);
        ::usleep(random.bounded(0, 20000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        QVERIFY(WIFSIGNALED(status));

        const QByteArray bytes = TestFiles::read(path);
        QVERIFY2(bytes.endsWith("\r\n"), "torn file");
        QCOMPARE(bytes.count("\r\n"), 19);
        QVERIFY(bytes.startsWith("; kept through every write\r\n[Setup]\r\nSoundOn=True\r\n[HiScore]\r\n"));
        const IniDocument ini = IniDocument::fromBytes(bytes);
        qint32 previous = std::numeric_limits<qint32>::max();
        for (int rank = 1; rank <= 5; ++rank) {
            const QString r = QString::number(rank);
            const qint32 score = ini.integer("HiScore", "Score" + r, -1);
            QVERIFY(score >= 0 && score <= previous);
            previous = score;
            // A holder, or for a score whose name never came a ticket in its place.
            const QString holder = ini.string("HiScore", "Holder" + r, "<missing>");
            const bool ticket = !ini.string("HiScore", "Pending" + r, {}).isEmpty();
            QVERIFY(holder == QStringLiteral("Err") ? !ticket : holder == QStringLiteral("<missing>") && ticket);
            QCOMPARE(ini.string("HiScore", "Date" + r, "<missing>").size(), 16);
        }
        const qint32 best = ini.integer("HiScore", "Score1", 0);
        QVERIFY2(best >= lastBest, "a written table was lost");
        lastBest = best;

        mostLeft = qMax(mostLeft, temporaries(dir.path()));
    }
    // A writer killed between naming its file and renaming it leaves that
    // file, but the next write removes whatever no live writer holds.
    const int leftByKills = temporaries(dir.path());
    {
        // A change that is sure to write: a score of 1 no longer ranks in
        // the table the writers left, and would write nothing.
        FakeWorld world;
        clsSetup(world, dir.path()).setSoundOnOff(false);
    }
    qInfo("%d kills, best score %d, at most %d temporary files after a kill, %d before the last write", kills,
          lastBest, mostLeft, leftByKills);
    QCOMPARE(temporaries(dir.path()), 0);
    QVERIFY(lastBest > 20); // the writers did get whole tables written
}

void tst_crashsafety::withoutProcANamedTemporaryFileServes()
{
    if (::geteuid() != 0)
        QSKIP("hiding /proc in a mount namespace of its own needs root");
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("Typhoros.ini");
    TestFiles::write(path, "old");
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const bool hidden = ::unshare(CLONE_NEWNS) == 0
                            && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
                            && ::umount2("/proc", MNT_DETACH) == 0 && ::access("/proc/self/fd", F_OK) != 0;
        ::_exit(!hidden ? 2 : AtomicFile::write(path, "new") ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 2)
        QSKIP("this machine does not let /proc be hidden");
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QCOMPARE(TestFiles::read(path), QByteArray("new"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Typhoros.ini"});
}

void tst_crashsafety::fullDiskLeavesTheFileAsItWas()
{
    if (::geteuid() != 0)
        QSKIP("a small file system of its own needs root");
    const QByteArray old = "[HiScore]\r\nScore1=10\r\n" + QByteArray(20000, 'o');
    const QByteArray bigger = old + QByteArray(8192, 'x'), rewritten = QByteArray(old.size(), 'r');
    // A file system that overwrites in place (tmpfs) and a copy-on-write one
    // (btrfs, where overwriting needs new room too); each both ways of
    // writing: beside the file and renamed, and in place in a folder the
    // writer may not change (as nobody, in a folder of root's); the file
    // growing, and rewritten at its own length.
    int mounted = 0;
    for (const char *fileSystem : {"tmpfs", "btrfs"}) {
        for (const bool inPlace : {false, true}) {
            for (const QByteArray &next : {bigger, rewritten}) {
                QTemporaryDir mountPoint, image;
                const pid_t child = ::fork();
                QVERIFY(child >= 0);
                if (child == 0) {
                    const QByteArray root = QFile::encodeName(mountPoint.path());
                    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                        ::_exit(2);
                    if (qstrcmp(fileSystem, "tmpfs") == 0) {
                        if (::mount("tmpfs", root.constData(), "tmpfs", 0, "size=128k,mode=0755") != 0)
                            ::_exit(2);
                    } else {
                        const QByteArray file = QFile::encodeName(image.filePath("fs.img"));
                        const QByteArray make = "truncate -s 120M '" + file + "' && mkfs.btrfs -q '" + file
                                                + "' >/dev/null 2>&1 && mount -o loop '" + file + "' '" + root + "'";
                        if (std::system(make.constData()) != 0 || ::chmod(root.constData(), 0755) != 0)
                            ::_exit(2);
                    }
                    const QString folder = mountPoint.filePath("game"), path = folder + "/Typhoros.ini";
                    QDir().mkpath(folder);
                    TestFiles::write(path, old);
                    ::chmod(QFile::encodeName(path).constData(), 0666);
                    ::sync();
                    // Fill the file system to the last block.
                    QFile filler(mountPoint.filePath("filler"));
                    QVERIFY(filler.open(QIODevice::WriteOnly));
                    for (const qsizetype size : {65536, 512}) {
                        const QByteArray block(size, '\0');
                        while (filler.write(block) == block.size() && filler.flush()) {
                        }
                        ::sync();
                    }
                    filler.close();
                    if (inPlace && (::chmod(QFile::encodeName(folder).constData(), 0555) != 0 || ::setgid(65534) != 0
                                    || ::setuid(65534) != 0))
                        ::_exit(2);
                    const bool written = AtomicFile::write(path, next);
                    const QByteArray now = TestFiles::read(path);
                    const bool whole = written ? now == next : now == old;
                    const bool alone = QDir(folder).entryList(QDir::Files | QDir::Hidden) == QStringList{"Typhoros.ini"};
                    // Growing cannot succeed on a full disk; rewriting may.
                    ::_exit(whole && alone && (!written || next == rewritten) ? 0 : 1);
                }
                int status = 0;
                ::waitpid(child, &status, 0);
                ::umount2(QFile::encodeName(mountPoint.path()).constData(), MNT_DETACH);
                if (WIFEXITED(status) && WEXITSTATUS(status) == 2) {
                    qInfo("%s: not mounted here", fileSystem);
                    continue;
                }
                ++mounted;
                QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0,
                         qPrintable(QStringLiteral("%1, %2, %3: torn or reported as written")
                                        .arg(fileSystem, inPlace ? "in place" : "beside",
                                             next == bigger ? "growing" : "rewritten")));
            }
        }
    }
    if (mounted == 0)
        QSKIP("this machine does not let a test mount a file system");
}

QTEST_GUILESS_MAIN(tst_crashsafety)
#include "tst_crashsafety.moc"
