// SPDX-License-Identifier: MIT
// Where settings and questions are read and written when the program folder
// is not the player's: a system-wide install, files an owner made read-only
// or unreadable, links, and names copied from Windows in other letter cases.
// Run as an unprivileged user (tests/harness/as-user.sh), so that permissions really
// refuse what they refuse a player.
#include "classes/clsMondai.h"
#include "classes/clsSetup.h"
#include "platform/RuntimeError.h"
#include "platform/WriterLock.h"

#include "FakeWorld.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray Windows = "; kept\r\n[Setup]\r\nSoundOn=True\r\n[Window]\r\nLeft=100\r\n";

// A program folder and a per-user folder (not made until needed) in a
// scratch directory; permissions are given back on the way out.
struct Folders {
    QTemporaryDir root;
    QString program = root.filePath("program");
    QString user = root.filePath("home/.local/share/typhoros");

    Folders() { QDir().mkpath(program); }
    ~Folders() { ::chmod(QFile::encodeName(program).constData(), 0755); }

    DataFolders folders() const { return {program, user}; }
    QString inProgram(const QString &name) const { return QDir(program).filePath(name); }
    QString inUser(const QString &name) const { return QDir(user).filePath(name); }
    void lockProgramFolder() const { ::chmod(QFile::encodeName(program).constData(), 0555); }

    // Enters `score` at rank 1 as the game does; returns the file written.
    QString enterScore(qint32 score) const
    {
        FakeWorld world;
        clsSetup setup(world, folders());
        setup.SetScore(score);
        return setup.iniFile();
    }
    qint32 bestScoreAfterRestart() const
    {
        FakeWorld world;
        return clsSetup(world, folders()).Score(1);
    }
};

ino_t inode(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

void chmodFile(const QString &path, mode_t mode)
{
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

// The lock every game takes to write a settings file, held by the test as
// another game would hold it, for as long as the object lives.
struct HeldLock : WriterLock {
    explicit HeldLock(const QString &file) : WriterLock(file, Use::Write, 0)
    {
        if (busy())
            qFatal("cannot lock %s", qPrintable(file));
    }
};

} // namespace

class tst_settingsfiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readOnlyProgramFolderMovesScoresToTheUserCopy();
    void userCopyMadeByAnotherGameIsMergedInto();
    void writableProgramFolderMakesNoUserCopy();
    void readOnlyFileIsNotReplacedButCopied();
    void unreadableFileIsNeverReplaced();
    void writableFileInReadOnlyFolderIsUpdatedInPlace();
    void linkIsWrittenThrough();
    void namesInAnyLetterCase();
    void userQuestionFileTakesThePlaceOfTheShippedOne();
    void userFolderFollowsTheXdgRules();
    void everyReadAndWriteTakesTheTablesLock();
    void nobodyElsesLockKeepsAScoreFromBeingSaved();
};

void tst_settingsfiles::initTestCase()
{
    if (::geteuid() == 0)
        QSKIP("root ignores file permissions: run through tests/harness/as-user.sh, as ctest does");
}

void tst_settingsfiles::readOnlyProgramFolderMovesScoresToTheUserCopy()
{
    Folders f; // as installed: nothing in it is the player's to write
    TestFiles::write(f.inProgram("Typhoros.ini"), Windows);
    chmodFile(f.inProgram("Typhoros.ini"), 0444);
    f.lockProgramFolder();
    QCOMPARE(f.enterScore(10), f.inUser("Typhoros.ini"));
    QCOMPARE(TestFiles::read(f.inProgram("Typhoros.ini")), Windows);
    // The copy holds all the program folder's file held, and the new table.
    const QByteArray copy = TestFiles::read(f.inUser("Typhoros.ini"));
    QVERIFY(copy.startsWith(Windows));
    QVERIFY(copy.contains("Score1=10\r\n"));
    // From now on the copy is read and written.
    QCOMPARE(f.bestScoreAfterRestart(), 10);
    QCOMPARE(f.enterScore(20), f.inUser("Typhoros.ini"));
    QCOMPARE(f.bestScoreAfterRestart(), 20);

    // A read-only program folder without any settings file.
    Folders empty;
    empty.lockProgramFolder();
    QCOMPARE(empty.enterScore(5), empty.inUser("Typhoros.ini"));
    QCOMPARE(empty.bestScoreAfterRestart(), 5);
}

void tst_settingsfiles::userCopyMadeByAnotherGameIsMergedInto()
{
    Folders f;
    TestFiles::write(f.inProgram("Typhoros.ini"), Windows);
    chmodFile(f.inProgram("Typhoros.ini"), 0444);
    f.lockProgramFolder();
    FakeWorld world;
    clsSetup older(world, f.folders()); // started while there was no copy yet
    QCOMPARE(f.enterScore(500), f.inUser("Typhoros.ini"));
    older.SetScore(300);
    QCOMPARE(older.iniFile(), f.inUser("Typhoros.ini"));
    FakeWorld again;
    const clsSetup reread(again, f.folders());
    QCOMPARE(reread.Score(1), 500);
    QCOMPARE(reread.Score(2), 300);

    // A copy that cannot be read is never replaced, and the change counts
    // once in the game's own table.
    Folders g;
    TestFiles::write(g.inProgram("Typhoros.ini"), Windows);
    chmodFile(g.inProgram("Typhoros.ini"), 0444);
    g.lockProgramFolder();
    clsSetup game(world, g.folders());
    QVERIFY(QDir().mkpath(g.user));
    TestFiles::write(g.inUser("Typhoros.ini"), "[HiScore]\r\nScore1=900\r\n");
    chmodFile(g.inUser("Typhoros.ini"), 0200);
    QCOMPARE(game.SetScore(300), qint16(1));
    QCOMPARE(game.Score(1), 300);
    QCOMPARE(game.Score(2), 0);
    chmodFile(g.inUser("Typhoros.ini"), 0644);
    QCOMPARE(TestFiles::read(g.inUser("Typhoros.ini")), QByteArray("[HiScore]\r\nScore1=900\r\n"));
}

void tst_settingsfiles::writableProgramFolderMakesNoUserCopy()
{
    Folders f;
    QCOMPARE(f.enterScore(10), f.inProgram("Typhoros.ini"));
    QVERIFY(!QFileInfo::exists(f.user));
}

void tst_settingsfiles::readOnlyFileIsNotReplacedButCopied()
{
    Folders f;
    TestFiles::write(f.inProgram("Typhoros.ini"), Windows);
    chmodFile(f.inProgram("Typhoros.ini"), 0444);
    QCOMPARE(f.enterScore(10), f.inUser("Typhoros.ini"));
    QCOMPARE(TestFiles::read(f.inProgram("Typhoros.ini")), Windows);
    QVERIFY(TestFiles::read(f.inUser("Typhoros.ini")).startsWith(Windows));
}

void tst_settingsfiles::unreadableFileIsNeverReplaced()
{
    Folders f;
    const QString ini = f.inProgram("Typhoros.ini");
    TestFiles::write(ini, Windows);
    chmodFile(ini, 0200);
    FakeWorld world;
    clsSetup setup(world, f.folders());
    QCOMPARE(setup.SetScore(10), qint16(1));
    setup.setSoundOnOff(false);
    QCOMPARE(setup.Score(1), 10); // memory stays authoritative
    chmodFile(ini, 0644);
    QCOMPARE(TestFiles::read(ini), Windows);
    QVERIFY(!QFileInfo::exists(f.user));
}

void tst_settingsfiles::writableFileInReadOnlyFolderIsUpdatedInPlace()
{
    Folders f;
    const QString ini = f.inProgram("Typhoros.ini");
    TestFiles::write(ini, Windows + "[HiScore]\r\nHolder1=" + QByteArray(3000, 'x') + "\r\n");
    chmodFile(ini, 0666);
    const ino_t before = inode(ini);
    f.lockProgramFolder();
    FakeWorld world;
    clsSetup setup(world, f.folders());
    setup.SetScoreHolder(1, std::nullopt); // the file shrinks: no old tail may stay
    QCOMPARE(TestFiles::read(ini), Windows + "[HiScore]\r\n");
    QCOMPARE(inode(ini), before);
    QCOMPARE(f.enterScore(10), ini);
    QCOMPARE(f.bestScoreAfterRestart(), 10);
    QVERIFY(!QFileInfo::exists(f.user));
}

void tst_settingsfiles::linkIsWrittenThrough()
{
    Folders f;
    const QString shared = f.root.filePath("shared.ini");
    TestFiles::write(shared, Windows);
    QVERIFY(QFile::link(shared, f.inProgram("Typhoros.ini")));
    f.enterScore(10);
    QVERIFY(QFileInfo(f.inProgram("Typhoros.ini")).isSymLink());
    QVERIFY(TestFiles::read(shared).contains("Score1=10\r\n"));
    f.enterScore(20);
    QVERIFY(TestFiles::read(shared).contains("Score1=20\r\n"));
    QCOMPARE(QDir(f.program).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"Typhoros.ini"});

    // A chain whose last file does not exist yet: every link stays a link
    // and the file is made at the chain's end.
    Folders chain;
    const QString middle = chain.root.filePath("middle.ini"), end = chain.root.filePath("end.ini");
    QVERIFY(QFile::link(middle, chain.inProgram("Typhoros.ini")) && QFile::link(end, middle));
    chain.enterScore(30);
    QVERIFY(QFileInfo(middle).isSymLink());
    QVERIFY(TestFiles::read(end).contains("Score1=30\r\n"));
    // A loop: the write fails and no link is replaced.
    Folders loop;
    const QString other = loop.root.filePath("other.ini");
    QVERIFY(QFile::link(other, loop.inProgram("Typhoros.ini")) && QFile::link(loop.inProgram("Typhoros.ini"), other));
    loop.enterScore(40);
    QVERIFY(QFileInfo(other).isSymLink() && QFileInfo(loop.inProgram("Typhoros.ini")).isSymLink());
}

void tst_settingsfiles::namesInAnyLetterCase()
{
    Folders f;
    TestFiles::write(f.inProgram("typhoros.ini"), "[setup]\r\nSoundOn=True\r\n");
    TestFiles::write(f.inProgram("MONDAI0.TXT"), "ab\r\n");
    FakeWorld world;
    clsSetup setup(world, f.folders());
    QVERIFY(setup.SoundOnOff());
    setup.SetScore(10);
    QCOMPARE(QDir(f.program).entryList(QDir::Files), QStringList({"MONDAI0.TXT", "typhoros.ini"}));
    clsMondai bank(world, f.folders());
    bank.LoadMondai("Mondai0.txt");
    QCOMPARE(bank.GetMondai(), QStringLiteral("ab"));
}

void tst_settingsfiles::userQuestionFileTakesThePlaceOfTheShippedOne()
{
    Folders f;
    TestFiles::write(f.inProgram("Mondai0.txt"), "shipped\r\n");
    QVERIFY(QDir().mkpath(f.user));
    TestFiles::write(f.inUser("mondai0.txt"), "mine\r\n");
    FakeWorld world;
    clsMondai bank(world, f.folders());
    bank.LoadMondai("Mondai0.txt");
    QCOMPARE(bank.GetMondai(), QStringLiteral("mine"));

    // One that is there but may not be read is an access error, not a
    // missing file: the file itself, or the folder it is in.
    const auto error = [&] {
        try {
            bank.LoadMondai("Mondai0.txt");
        } catch (const RuntimeError &e) {
            return int(e.number());
        }
        return 0;
    };
    chmodFile(f.inUser("mondai0.txt"), 0);
    QCOMPARE(error(), 75);
    QVERIFY(QFile::remove(f.inUser("mondai0.txt")));
    chmodFile(f.program, 0600);
    QCOMPARE(error(), 75);
}

void tst_settingsfiles::userFolderFollowsTheXdgRules()
{
    const QByteArray savedHome = qgetenv("HOME"), savedData = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", savedHome);
        savedData.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", savedData);
    });
    qputenv("HOME", "/home/player");
    qputenv("XDG_DATA_HOME", "/data");
    QCOMPARE(DataFolders::userFolderFromEnvironment(), QStringLiteral("/data/typhoros"));
    // A relative folder would follow the current directory around.
    qputenv("XDG_DATA_HOME", "rel/data");
    QCOMPARE(DataFolders::userFolderFromEnvironment(), QStringLiteral("/home/player/.local/share/typhoros"));
    qunsetenv("XDG_DATA_HOME");
    // Without HOME the home is the password database's, never "/".
    qunsetenv("HOME");
    const passwd *entry = ::getpwuid(::getuid());
    QVERIFY(entry != nullptr);
    QCOMPARE(DataFolders::userFolderFromEnvironment(),
             QDir::cleanPath(QFile::decodeName(entry->pw_dir) + "/.local/share/typhoros"));
}

void tst_settingsfiles::everyReadAndWriteTakesTheTablesLock()
{
    using namespace std::chrono_literals;
    // Two program folders link to one table in a third: games in either take
    // the lock of the folder the table is in.
    Folders f, g;
    const QString shared = f.root.filePath("shared/Typhoros.ini");
    QVERIFY(QDir().mkpath(QFileInfo(shared).path()));
    TestFiles::write(shared, "[HiScore]\r\nScore1=500\r\n");
    QVERIFY(QFile::link(shared, f.inProgram("Typhoros.ini")) && QFile::link(shared, g.inProgram("Typhoros.ini")));
    FakeWorld world, starting;
    clsSetup game(world, f.folders());

    // A change waits for the holder and merges with what it wrote.
    {
        auto held = std::make_unique<HeldLock>(shared);
        std::thread change([&] { game.SetScore(300); });
        std::this_thread::sleep_for(300ms);
        TestFiles::write(shared, "[HiScore]\r\nScore1=500\r\nScore2=400\r\n");
        held.reset();
        change.join();
    }
    // So does the start-up read: it never sees a table half written.
    std::optional<clsSetup> later;
    {
        auto held = std::make_unique<HeldLock>(shared);
        const QByteArray whole = TestFiles::read(shared);
        TestFiles::write(shared, whole.first(whole.size() / 2));
        std::thread start([&] { later.emplace(starting, g.folders()); });
        std::this_thread::sleep_for(300ms);
        TestFiles::write(shared, whole);
        held.reset();
        start.join();
    }
    QCOMPARE(later->Score(1), 500);
    QCOMPARE(later->Score(2), 400);
    QCOMPARE(later->Score(3), 300);

    // A holder that never lets go: after the wait the change stays in
    // memory and the file is left alone rather than written unlocked.
    const HeldLock stuck(shared);
    const QByteArray before = TestFiles::read(shared);
    game.setSoundOnOff(true);
    QVERIFY(game.SoundOnOff());
    QCOMPARE(TestFiles::read(shared), before);
}

void tst_settingsfiles::nobodyElsesLockKeepsAScoreFromBeingSaved()
{
    // Whatever holds the program folder of a system-wide install (its lock
    // file, the folder itself) is not waited for: the score goes to the
    // player's own copy.
    Folders f;
    TestFiles::write(f.inProgram("Typhoros.ini"), Windows);
    const HeldLock programLock(f.inProgram("Typhoros.ini"));
    const int folder = ::open(QFile::encodeName(f.program).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(folder >= 0 && ::flock(folder, LOCK_EX) == 0);
    const auto unlock = qScopeGuard([&] { ::close(folder); });
    chmodFile(f.inProgram("Typhoros.ini"), 0444);
    f.lockProgramFolder();
    QCOMPARE(f.enterScore(10), f.inUser("Typhoros.ini"));
    QCOMPARE(f.bestScoreAfterRestart(), 10);

    // No other account may even open the lock of the player's own copy;
    // in a folder its group shares, the group may.
    const auto lockMode = [](const QString &folder) {
        struct stat st {};
        ::stat(QFile::encodeName(folder + "/.Typhoros.ini.lock").constData(), &st);
        return st.st_mode & 07777;
    };
    QCOMPARE(lockMode(f.user), mode_t(0600));
    Folders shared;
    ::chmod(QFile::encodeName(shared.program).constData(), 02775);
    shared.enterScore(10);
    QCOMPARE(lockMode(shared.program), mode_t(0660));
}

QTEST_GUILESS_MAIN(tst_settingsfiles)
#include "tst_settingsfiles.moc"
