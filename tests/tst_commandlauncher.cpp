// SPDX-License-Identifier: MIT
// Starting the sound player by command line: a real small program proves how
// arguments arrive, where the program is looked for, what it inherits, that
// the game never waits and that no zombie is left behind.
#include "platform/CommandLauncher.h"
#include "platform/GameEnvironment.h"

#include "TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <unistd.h>

namespace {

// Waits until `path` holds `count` complete records of record_args.
bool waitForRecords(const QString &path, int count, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (TestFiles::read(path).count("end\n") >= count)
            return true;
        QThread::msleep(5);
    }
    return false;
}

int zombieChildren()
{
    int zombies = 0;
    const QString self = QString::number(::getpid());
    for (const QString &pid : QDir("/proc").entryList(QDir::Dirs)) {
        const QByteArray stat = TestFiles::read("/proc/" + pid + "/stat");
        const qsizetype close = stat.lastIndexOf(')');
        if (close < 0)
            continue;
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields[0] == "Z" && fields[1] == self.toLatin1())
            ++zombies;
    }
    return zombies;
}

} // namespace

class tst_commandlauncher : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void splitsOnBlanks_data();
    void splitsOnBlanks();
    void startsWithArgumentsAndInheritance();
    void programDirectoryBeforePath();
    void neverTheCurrentDirectory();
    void failuresReturnFalse();
    void doesNotWaitAndReapsEveryChild();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_out;
    QString m_oldCwd;
    QByteArray m_oldPath;
};

void tst_commandlauncher::init()
{
    m_dir = new QTemporaryDir;
    m_out = m_dir->filePath("out.txt");
    m_oldCwd = QDir::currentPath();
    m_oldPath = qgetenv("PATH");
}

void tst_commandlauncher::cleanup()
{
    QDir::setCurrent(m_oldCwd);
    qputenv("PATH", m_oldPath);
    delete m_dir;
}

void tst_commandlauncher::splitsOnBlanks_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("cue") << "Chirp.exe OK.wav 400" << QStringList{"Chirp.exe", "OK.wav", "400"};
    QTest::newRow("repeated blanks") << "  a   b " << QStringList{"a", "b"};
    QTest::newRow("no shell quoting") << "a \"b c\" $HOME;x" << QStringList{"a", "\"b", "c\"", "$HOME;x"};
    QTest::newRow("empty") << "" << QStringList{};
}

void tst_commandlauncher::splitsOnBlanks()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    QCOMPARE(CommandLauncher::splitCommandLine(line), fields);
}

void tst_commandlauncher::startsWithArgumentsAndInheritance()
{
    QTemporaryDir cwd;
    QDir::setCurrent(cwd.path());
    CommandLauncher launcher(m_dir->path());
    // What the game sets for its own Qt stays with the game; what the player
    // set goes on.
    qputenv("QT_BY_PLAYER", "1");
    QVERIFY(!GameEnvironment::setDefault("QT_BY_PLAYER", "2"));
    QVERIFY(GameEnvironment::setDefault("QT_BY_GAME", "1"));
    QVERIFY(launcher.start(QStringLiteral(RECORD_ARGS " %1  OK.wav   $HOME;rm").arg(m_out)));
    QVERIFY(waitForRecords(m_out, 1));
    const QString record = QString::fromLocal8Bit(TestFiles::read(m_out));
    QCOMPARE(record.section("argc=", 1, 1).section('\n', 0, 0), QStringLiteral("4"));
    QVERIFY(record.contains("arg=OK.wav\narg=$HOME;rm\n"));
    QVERIFY(record.contains("cwd=" + QDir(cwd.path()).canonicalPath() + "\n"));
    QVERIFY(record.contains("fd0=/dev/null\nfd1=/dev/null\nfd2=/dev/null\n"));
    QVERIFY(record.contains("fds=3\n")); // nothing of the game's leaks into the player
    QVERIFY(record.contains("env=QT_BY_PLAYER=1\n"));
    QVERIFY(!record.contains("QT_BY_GAME"));
}

void tst_commandlauncher::programDirectoryBeforePath()
{
    QTemporaryDir own, onPath;
    const auto plant = [](const QString &dir, const QString &tag, const QString &out) {
        const QString path = QDir(dir).filePath("player");
        TestFiles::write(path, QStringLiteral("#!/bin/sh\necho %1 >> %2\necho end >> %2\n").arg(tag, out).toLocal8Bit());
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    };
    plant(onPath.path(), "path", m_out);
    qputenv("PATH", onPath.path().toLocal8Bit() + ":" + m_oldPath);

    CommandLauncher withoutOwn(own.path());
    QCOMPARE(withoutOwn.resolve("player"), QDir(onPath.path()).filePath("player"));
    plant(own.path(), "own", m_out);
    CommandLauncher launcher(own.path());
    QCOMPARE(launcher.resolve("player"), QDir(own.path()).filePath("player"));
    QVERIFY(launcher.start("player"));
    QVERIFY(waitForRecords(m_out, 1));
    QCOMPARE(TestFiles::read(m_out), QByteArray("own\nend\n"));
}

void tst_commandlauncher::neverTheCurrentDirectory()
{
    QTemporaryDir cwd;
    const QString planted = QDir(cwd.path()).filePath("Chirp.exe");
    TestFiles::write(planted, QStringLiteral("#!/bin/sh\necho planted > %1\n").arg(m_out).toLocal8Bit());
    QFile::setPermissions(planted, QFile::permissions(planted) | QFileDevice::ExeOwner);
    QDir::setCurrent(cwd.path());
    // Empty, "." and relative PATH entries all mean the current directory.
    qputenv("PATH", "::.:" + QDir(cwd.path()).dirName().toLocal8Bit() + ":/usr/bin:/bin");
    CommandLauncher launcher(m_dir->path());
    QCOMPARE(launcher.resolve("Chirp.exe"), QString());
    QVERIFY(!launcher.start("Chirp.exe OK.wav 400"));
    QThread::msleep(50);
    QVERIFY(!QFile::exists(m_out));
}

void tst_commandlauncher::failuresReturnFalse()
{
    CommandLauncher launcher(m_dir->path());
    QVERIFY(!launcher.start(""));
    QVERIFY(!launcher.start("   "));
    QVERIFY(!launcher.start("no-such-program-here x y"));
    const QString notExecutable = m_dir->filePath("data");
    TestFiles::write(notExecutable, "x");
    QVERIFY(!launcher.start(notExecutable));
    QCOMPARE(launcher.pendingChildren(), 0);
}

void tst_commandlauncher::doesNotWaitAndReapsEveryChild()
{
    // Children of earlier tests' launchers are not this launcher's to reap.
    QThread::msleep(200);
    const int zombiesBefore = zombieChildren();
    CommandLauncher launcher(m_dir->path());
    // A player that takes its time: start returns while it still runs.
    const QString slow = m_dir->filePath("slow.txt");
    QVERIFY(launcher.start(QStringLiteral(RECORD_ARGS " %1 60000").arg(slow)));
    QVERIFY(waitForRecords(slow, 1));
    launcher.reap();
    QCOMPARE(launcher.pendingChildren(), 1);
    const pid_t slowPid = QString::fromLatin1(TestFiles::read(slow)).section("pid=", 1, 1).section('\n', 0, 0).toInt();
    QVERIFY(slowPid > 0);

    const int cues = 300;
    for (int i = 0; i < cues; ++i)
        QVERIFY(launcher.start(QStringLiteral(RECORD_ARGS " %1").arg(m_out)));
    QVERIFY(waitForRecords(m_out, cues));
    // The periodic sweep reaps the ones that ended after the last start.
    QTRY_COMPARE_WITH_TIMEOUT(launcher.pendingChildren(), 1, 5000);
    QCOMPARE(zombieChildren(), zombiesBefore);
    ::kill(slowPid, SIGKILL);
    QTRY_COMPARE_WITH_TIMEOUT(launcher.pendingChildren(), 0, 5000);
}

QTEST_GUILESS_MAIN(tst_commandlauncher)
#include "tst_commandlauncher.moc"
