// SPDX-License-Identifier: MIT
// The settings store: defaults, the high-score table's shifts, what lands in
// Typhoros.ini, and files that are missing, damaged or cannot be written.
#include "classes/clsSetup.h"
#include "platform/Cp932.h"
#include "platform/RuntimeError.h"
#include "platform/WriterLock.h"

#include "FakeWorld.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {

QByteArray tableFile(const QList<int> &scores)
{
    QByteArray bytes = "[HiScore]\r\n";
    for (int n = 1; n <= scores.size(); ++n) {
        bytes += "Score" + QByteArray::number(n) + "=" + QByteArray::number(scores[n - 1]) + "\r\n";
        bytes += "Holder" + QByteArray::number(n) + "=P" + QByteArray::number(n) + "\r\n";
        bytes += "Date" + QByteArray::number(n) + "=2020/01/0" + QByteArray::number(n) + " 10:00\r\n";
    }
    return bytes;
}

// A [HiScore] section of (score, holder) pairs, keys in the order Score,
// Holder, Date, as files written elsewhere may have them.
QByteArray tableFile(const QList<std::pair<int, QByteArray>> &entries)
{
    QByteArray bytes = "[HiScore]\r\n";
    for (int n = 1; n <= entries.size(); ++n) {
        const QByteArray rank = QByteArray::number(n);
        bytes += "Score" + rank + "=" + QByteArray::number(entries[n - 1].first) + "\r\n";
        bytes += "Holder" + rank + "=" + entries[n - 1].second + "\r\n";
        bytes += "Date" + rank + "=2020/01/0" + rank + " 10:00\r\n";
    }
    return bytes;
}

QList<int> scores(const clsSetup &setup)
{
    QList<int> s;
    for (qint16 r = 1; r <= 5; ++r)
        s.append(setup.Score(r));
    return s;
}

QStringList holders(const clsSetup &setup)
{
    QStringList s;
    for (qint16 r = 1; r <= 5; ++r)
        s.append(setup.ScoreHolder(r));
    return s;
}

} // namespace

class tst_clssetup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }
    void defaultsWithoutFile();
    void setScore_data();
    void setScore();
    void setScoreWritesWholeTable();
    void holderNamesRoundTrip_data();
    void holderNamesRoundTrip();
    void cancelledNameRemovesKey();
    void soundSwitch_data();
    void soundSwitch();
    void damagedValues_data();
    void damagedValues();
    void junkAndHugeFiles();
    void unwritableSettingsKeepMemory();
    void rankOutOfRange();
    void keepsWhatWindowsWrote();
    void twoGamesOnOneFileKeepEveryScoreAndName();
    void namesGoOnlyToTheScoresTheirPlayersMade();
    void anEmptiedFileLeavesTheTableAsItWas();
    void aRefusedScoreIsWrittenWithItsName();
};

void tst_clssetup::defaultsWithoutFile()
{
    QTemporaryDir dir;
    FakeWorld world;
    clsSetup setup(world, dir.path());
    QCOMPARE(scores(setup), QList<int>({0, 0, 0, 0, 0}));
    QCOMPARE(holders(setup), QStringList({"Err", "Err", "Err", "Err", "Err"}));
    QCOMPARE(setup.ScoreDate(1), QStringLiteral("1970/01/01"));
    QVERIFY(!setup.SoundOnOff());
    QCOMPARE(setup.iniFile(), QDir(dir.path()).filePath("Typhoros.ini"));
    QVERIFY(!QFileInfo::exists(setup.iniFile()));
    QCOMPARE(setup.SetScore(0), qint16(-1));
    QVERIFY(!QFileInfo::exists(setup.iniFile()));
    QCOMPARE(setup.SetScore(1), qint16(1));
    QVERIFY(QFileInfo::exists(setup.iniFile()));
}

void tst_clssetup::setScore_data()
{
    QTest::addColumn<int>("offered");
    QTest::addColumn<int>("rank");
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<QStringList>("holdersAfter");
    const QStringList unchanged{"P1", "P2", "P3", "P4", "P5"};
    QTest::newRow("equal score enters below") << 300 << 4 << QList<int>{500, 400, 300, 300, 200}
                                              << QStringList{"P1", "P2", "P3", "P4", "P4"};
    QTest::newRow("new best") << 501 << 1 << QList<int>{501, 500, 400, 300, 200}
                              << QStringList{"P1", "P1", "P2", "P3", "P4"};
    QTest::newRow("rank five only") << 150 << 5 << QList<int>{500, 400, 300, 200, 150} << unchanged;
    QTest::newRow("equal to last does not rank") << 100 << -1 << QList<int>{500, 400, 300, 200, 100} << unchanged;
    QTest::newRow("negative does not rank") << -7 << -1 << QList<int>{500, 400, 300, 200, 100} << unchanged;
}

void tst_clssetup::setScore()
{
    QFETCH(int, offered);
    QFETCH(int, rank);
    QFETCH(QList<int>, after);
    QFETCH(QStringList, holdersAfter);
    QTemporaryDir dir;
    const QByteArray before = tableFile({500, 400, 300, 200, 100});
    TestFiles::write(dir.filePath("Typhoros.ini"), before);
    FakeWorld world;
    clsSetup setup(world, dir.path());
    QCOMPARE(setup.SetScore(offered), qint16(rank));
    QCOMPARE(scores(setup), after);
    QCOMPARE(holders(setup), holdersAfter);
    if (rank < 0) {
        QCOMPARE(TestFiles::read(setup.iniFile()), before);
        return;
    }
    QCOMPARE(setup.ScoreDate(qint16(rank)), QStringLiteral("2026/12/07 21:34:56"));
    // Entries below the new one moved whole, dates included.
    if (rank < 5)
        QCOMPARE(setup.ScoreDate(qint16(rank + 1)), QStringLiteral("2020/01/0%1 10:00:00").arg(rank));
    // The file holds the same table after a restart (dates to the minute),
    // naming no one for the new entry until its name is given.
    clsSetup reread(world, dir.path());
    QCOMPARE(scores(reread), after);
    holdersAfter[rank - 1] = QStringLiteral("Err");
    QCOMPARE(holders(reread), holdersAfter);
    QCOMPARE(reread.ScoreDate(qint16(rank)), QStringLiteral("2026/12/07 21:34:00"));
}

void tst_clssetup::setScoreWritesWholeTable()
{
    QTemporaryDir dir;
    FakeWorld world;
    clsSetup setup(world, dir.path());
    QCOMPARE(setup.SetScore(1234), qint16(1));
    setup.SetScoreHolder(1, QStringLiteral("花子"));
    const QByteArray expected = "[HiScore]\r\n"
                                "Score1=1234\r\nDate1=2026/12/07 21:34\r\nHolder1=" + Cp932::encode(QStringLiteral("花子")) + "\r\n"
                                "Score2=0\r\nDate2=1970/01/01 00:00\r\nHolder2=Err\r\n"
                                "Score3=0\r\nDate3=1970/01/01 00:00\r\nHolder3=Err\r\n"
                                "Score4=0\r\nDate4=1970/01/01 00:00\r\nHolder4=Err\r\n"
                                "Score5=0\r\nDate5=1970/01/01 00:00\r\nHolder5=Err\r\n";
    QCOMPARE(TestFiles::read(setup.iniFile()), expected);
}

void tst_clssetup::holderNamesRoundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("afterRestart");
    QTest::newRow("japanese") << QStringLiteral("山田太郎") << QStringLiteral("山田太郎");
    QTest::newRow("empty name confirmed") << QString("") << QString("");
    QTest::newRow("300 ascii bytes cut to 255") << QString(300, QLatin1Char('n')) << QString(255, QLatin1Char('n'));
    QTest::newRow("150 kana cut at a character") << QString(150, QChar(0x3042)) << QString(127, QChar(0x3042));
    QTest::newRow("line breaks become blanks") << QStringLiteral("a\r\nb") << QStringLiteral("a  b");
    QTest::newRow("look-alike takes the best fit") << QStringLiteral("ゆ〜き") << QStringLiteral("ゆ～き");
    QTest::newRow("unmappable becomes ?") << QStringLiteral("😀x") << QStringLiteral("?x");
}

void tst_clssetup::holderNamesRoundTrip()
{
    QFETCH(QString, name);
    QFETCH(QString, afterRestart);
    QTemporaryDir dir;
    FakeWorld world;
    clsSetup setup(world, dir.path());
    setup.SetScore(10);
    setup.SetScoreHolder(1, name);
    QCOMPARE(setup.ScoreHolder(1), name);
    clsSetup reread(world, dir.path());
    QCOMPARE(reread.ScoreHolder(1), afterRestart);
    QCOMPARE(reread.Score(2), 0);
    QCOMPARE(reread.ScoreHolder(2), QStringLiteral("Err"));
}

void tst_clssetup::cancelledNameRemovesKey()
{
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("Typhoros.ini"), tableFile({500, 400, 300, 200, 100}));
    FakeWorld world;
    clsSetup setup(world, dir.path());
    QCOMPARE(setup.SetScore(450), qint16(2));
    QCOMPARE(setup.ScoreHolder(2), QStringLiteral("P2")); // until the name is given
    setup.SetScoreHolder(2, std::nullopt);
    QCOMPARE(setup.ScoreHolder(2), QString());
    QVERIFY(!TestFiles::read(setup.iniFile()).contains("Holder2="));
    clsSetup reread(world, dir.path());
    QCOMPARE(reread.ScoreHolder(2), QStringLiteral("Err"));
    QCOMPARE(reread.Score(2), 450);
    // The next SetScore writes the absent holder as absent, wherever it moves.
    QCOMPARE(setup.SetScore(1000), qint16(1));
    QVERIFY(!TestFiles::read(setup.iniFile()).contains("Holder3="));
}

void tst_clssetup::soundSwitch_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("on");
    QTest::newRow("True") << QByteArray("[Setup]\r\nSoundOn=True\r\n") << true;
    QTest::newRow("quoted True") << QByteArray("[setup]\r\nsoundon = \"True\"\r\n") << true;
    QTest::newRow("true") << QByteArray("[Setup]\r\nSoundOn=true\r\n") << false;
    QTest::newRow("TRUE") << QByteArray("[Setup]\r\nSoundOn=TRUE\r\n") << false;
    QTest::newRow("1") << QByteArray("[Setup]\r\nSoundOn=1\r\n") << false;
    QTest::newRow("NUL ends the value") << QByteArray("[Setup]\r\nSoundOn=True\0x\r\n", 26) << true;
    QTest::newRow("missing") << QByteArray("[Setup]\r\n") << false;
}

void tst_clssetup::soundSwitch()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, on);
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("Typhoros.ini"), file);
    FakeWorld world;
    clsSetup setup(world, dir.path());
    QCOMPARE(setup.SoundOnOff(), on);
    setup.setSoundOnOff(!on);
    QCOMPARE(setup.SoundOnOff(), !on);
    QCOMPARE(clsSetup(world, dir.path()).SoundOnOff(), !on);
    QVERIFY(TestFiles::read(setup.iniFile()).contains(on ? "SoundOn=False\r\n" : "SoundOn=True\r\n"));
}

void tst_clssetup::damagedValues_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("score");
    QTest::newRow("abc") << QByteArray("abc") << 0;
    QTest::newRow("12abc") << QByteArray("12abc") << 12;
    QTest::newRow("-5") << QByteArray("-5") << -5;
    QTest::newRow("99999999999") << QByteArray("99999999999") << 2147483647;
    QTest::newRow("empty") << QByteArray("") << 0;
}

void tst_clssetup::damagedValues()
{
    QFETCH(QByteArray, value);
    QFETCH(int, score);
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("Typhoros.ini"),
                     "[HiScore]\r\nScore1=" + value + "\r\nDate1=not a date\r\nDate2=2026/13/40 99:99\r\n");
    FakeWorld world;
    clsSetup setup(world, dir.path());
    QCOMPARE(setup.Score(1), score);
    QCOMPARE(setup.ScoreDate(1), QStringLiteral("1970/01/01"));
    QCOMPARE(setup.ScoreDate(2), QStringLiteral("1970/01/01"));
}

void tst_clssetup::junkAndHugeFiles()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Typhoros.ini");
    QByteArray junk(64 * 1024, '\0');
    QRandomGenerator random(42);
    for (char &c : junk)
        c = char(random.bounded(256));
    TestFiles::write(path, junk);
    FakeWorld world;
    {
        clsSetup setup(world, dir.path());
        QCOMPARE(setup.SetScore(2147483647), qint16(1));
        QCOMPARE(clsSetup(world, dir.path()).Score(1), 2147483647);
    }
    // 10 MB of other sections before the table.
    QByteArray huge;
    const QByteArray line = "[Other]\r\nkey=" + QByteArray(200, 'v') + "\r\n";
    while (huge.size() < 10 * 1024 * 1024)
        huge += line;
    huge += tableFile({9, 8, 7, 6, 5});
    TestFiles::write(path, huge);
    clsSetup setup(world, dir.path());
    QCOMPARE(scores(setup), QList<int>({9, 8, 7, 6, 5}));
    QCOMPARE(setup.SetScore(10), qint16(1));
    const QByteArray after = TestFiles::read(path);
    QVERIFY(after.startsWith(huge.left(huge.size() - tableFile({9, 8, 7, 6, 5}).size())));
    QCOMPARE(scores(clsSetup(world, dir.path())), QList<int>({10, 9, 8, 7, 6}));
}

void tst_clssetup::unwritableSettingsKeepMemory()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("Typhoros.ini")); // the settings path is a directory
    FakeWorld world;
    clsSetup setup(world, dir.path());
    QCOMPARE(setup.Score(1), 0);
    QCOMPARE(setup.SetScore(77), qint16(1));
    setup.SetScoreHolder(1, QStringLiteral("x"));
    setup.setSoundOnOff(true);
    QCOMPARE(setup.Score(1), 77);
    QCOMPARE(setup.ScoreHolder(1), QStringLiteral("x"));
    QVERIFY(setup.SoundOnOff());
    QVERIFY(QFileInfo(setup.iniFile()).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{".Typhoros.ini.lock"});

    if (::geteuid() == 0)
        return; // root writes into read-only directories
    QTemporaryDir ro;
    QFile::setPermissions(ro.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    clsSetup readOnly(world, ro.path());
    QCOMPARE(readOnly.SetScore(5), qint16(1));
    QCOMPARE(readOnly.Score(1), 5);
    QCOMPARE(QDir(ro.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QFile::setPermissions(ro.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void tst_clssetup::rankOutOfRange()
{
    QTemporaryDir dir;
    FakeWorld world;
    clsSetup setup(world, dir.path());
    for (qint16 rank : {qint16(0), qint16(6), qint16(-1)}) {
        try {
            setup.Score(rank);
            QFAIL("no error");
        } catch (const RuntimeError &e) {
            QCOMPARE(int(e.number()), 9);
        }
        QVERIFY_THROWS_EXCEPTION(RuntimeError, setup.SetScoreHolder(rank, QStringLiteral("x")));
    }
}

void tst_clssetup::keepsWhatWindowsWrote()
{
    const QByteArray windows = "; written on Windows\r\n"
                               "[hiscore]\r\n"
                               "Score1 = 300\r\n"
                               "Holder1 = \x8E\x52\x93\x63\r\n" // 山田
                               "Date1 = 2019/5/1 8:07\r\n"
                               "Comment=keep\r\n"
                               "\r\n"
                               "[Window]\r\n"
                               "Left=100\r\n";
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("Typhoros.ini"), windows);
    FakeWorld world;
    clsSetup setup(world, dir.path());
    QCOMPARE(setup.Score(1), 300);
    QCOMPARE(setup.ScoreHolder(1), QStringLiteral("山田"));
    QCOMPARE(setup.ScoreDate(1), QStringLiteral("2019/05/01 8:07:00"));
    QCOMPARE(setup.SetScore(200), qint16(2));
    const QByteArray after = TestFiles::read(setup.iniFile());
    QVERIFY(after.startsWith("; written on Windows\r\n[hiscore]\r\nScore1=300\r\nHolder1=\x8E\x52\x93\x63\r\n"
                             "Date1=2019/05/01 08:07\r\nComment=keep\r\n"));
    QVERIFY(after.endsWith("\r\n\r\n[Window]\r\nLeft=100\r\n"));
    QVERIFY(after.contains("Score2=200\r\n"));
}

void tst_clssetup::twoGamesOnOneFileKeepEveryScoreAndName()
{
    for (const bool aNamesFirst : {true, false}) {
        QTemporaryDir dir;
        TestFiles::write(QDir(dir.path()).filePath("Typhoros.ini"), tableFile({3000, 2000}));
        FakeWorld worldA, worldB;
        clsSetup a(worldA, dir.path()), b(worldB, dir.path());
        // Both games reach the name prompt before either answers.
        QCOMPARE(a.SetScore(666), qint16(3));
        QCOMPARE(b.SetScore(2824), qint16(2)); // ranked among A's score too
        if (aNamesFirst) {
            a.SetScoreHolder(3, QStringLiteral("alice")); // A's entry is at rank 4 by now
            b.SetScoreHolder(2, QStringLiteral("bob"));
        } else {
            b.SetScoreHolder(2, QStringLiteral("bob"));
            a.SetScoreHolder(3, QStringLiteral("alice"));
        }
        FakeWorld world;
        const clsSetup file(world, dir.path());
        QCOMPARE(scores(file), (QList<int>{3000, 2824, 2000, 666, 0}));
        QCOMPARE(holders(file), (QStringList{"P1", "bob", "P2", "alice", "Err"}));
        // Each game holds what the file holds after its own last change.
        QCOMPARE(scores(aNamesFirst ? b : a), scores(file));
    }

    // A game started long ago ranks a lower score after another finished:
    // the higher score stays, and the sound switch touches nothing else.
    QTemporaryDir dir;
    FakeWorld worldOld, worldNew;
    clsSetup older(worldOld, dir.path());
    {
        clsSetup newer(worldNew, dir.path());
        newer.SetScoreHolder(newer.SetScore(1388), QStringLiteral("carol"));
    }
    QCOMPARE(older.SetScore(666), qint16(2));
    older.setSoundOnOff(true);
    QCOMPARE(scores(older), (QList<int>{1388, 666, 0, 0, 0}));
    QCOMPARE(older.ScoreHolder(1), QStringLiteral("carol"));
    FakeWorld world;
    const clsSetup file(world, dir.path());
    QCOMPARE(scores(file), (QList<int>{1388, 666, 0, 0, 0}));
    QVERIFY(file.SoundOnOff());
}

void tst_clssetup::namesGoOnlyToTheScoresTheirPlayersMade()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("Typhoros.ini");
    FakeWorld world, other;
    const auto holdersInFile = [&] {
        FakeWorld w;
        return holders(clsSetup(w, dir.path()));
    };

    // Until the name is given the file names no one for the new score, so a
    // game killed at its prompt, or whose name cannot be written, credits it
    // to nobody; once named, the file is the usual table.
    TestFiles::write(ini, tableFile({{50, "c1"}, {40, "c2"}, {30, "c3"}, {20, "c4"}, {10, "c5"}}));
    {
        clsSetup game(world, dir.path());
        QCOMPARE(game.SetScore(1388), qint16(1));
        QCOMPARE(game.ScoreHolder(1), QStringLiteral("c1")); // memory keeps the rank's holder meanwhile
        QCOMPARE(holdersInFile(), (QStringList{"Err", "c1", "c2", "c3", "c4"}));
        game.SetScoreHolder(1, QStringLiteral("dave"));
    }
    QByteArray named = "[HiScore]\r\nScore1=1388\r\nHolder1=dave\r\nDate1=2026/12/07 21:34\r\n";
    for (int n = 2; n <= 5; ++n) { // moved down whole, each line where it was
        const QByteArray rank = QByteArray::number(n), from = QByteArray::number(n - 1);
        named += "Score" + rank + "=" + QByteArray::number(70 - 10 * n) + "\r\nHolder" + rank + "=c" + from
                 + "\r\nDate" + rank + "=2020/01/0" + from + " 10:00\r\n";
    }
    QCOMPARE(TestFiles::read(ini), named);

    // Equal scores in one minute, one game: each name to its own entry.
    TestFiles::write(ini, tableFile({{1000, "taro"}, {100, "taro"}}));
    {
        clsSetup game(world, dir.path());
        game.SetScoreHolder(game.SetScore(300), QStringLiteral("taro"));
        game.SetScoreHolder(game.SetScore(300), QStringLiteral("hanako"));
    }
    QCOMPARE(holdersInFile(), (QStringList{"taro", "taro", "hanako", "taro", "Err"}));

    // Two games score 300 in one minute; the lower one answers first.
    TestFiles::write(ini, tableFile({{1000, "taro"}, {100, "taro"}}));
    {
        clsSetup a(world, dir.path()), b(other, dir.path());
        QCOMPARE(a.SetScore(300), qint16(2));
        QCOMPARE(b.SetScore(300), qint16(3));
        b.SetScoreHolder(3, QStringLiteral("bob"));
        a.SetScoreHolder(2, QStringLiteral("alice"));
    }
    QCOMPARE(holdersInFile(), (QStringList{"taro", "alice", "bob", "taro", "Err"}));

    // A score entering just above a cancelled one, with another game's
    // write before the name: the name still arrives.
    TestFiles::write(ini, tableFile({{1000, "taro"}, {100, "taro"}}));
    {
        clsSetup game(world, dir.path()), b(other, dir.path());
        game.SetScoreHolder(game.SetScore(300), std::nullopt);
        QCOMPARE(game.SetScore(400), qint16(2));
        b.setSoundOnOff(true);
        game.SetScoreHolder(2, QStringLiteral("carol"));
    }
    QCOMPARE(holdersInFile(), (QStringList{"taro", "carol", "Err", "taro", "Err"}));

    // A ticket beside a name is dead: a program that knows no tickets named
    // the rank (moving the entries under the ticket). It goes at the next
    // write, and the name stays.
    TestFiles::write(ini, tableFile({{1000, "taro"}, {100, "jiro"}}) + "Pending2=abc\r\n");
    {
        clsSetup game(world, dir.path());
        QCOMPARE(game.SetScore(50), qint16(3));
    }
    QCOMPARE(holdersInFile().mid(0, 2), (QStringList{"taro", "jiro"}));
    QVERIFY(!TestFiles::read(ini).contains("Pending2"));
}

void tst_clssetup::anEmptiedFileLeavesTheTableAsItWas()
{
    for (const QByteArray &emptied : {QByteArray(), QByteArray("[Other]\r\nx=1\r\n")}) {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Typhoros.ini");
        TestFiles::write(ini, tableFile({500, 400, 300, 200, 100}));
        FakeWorld world;
        clsSetup game(world, dir.path());
        TestFiles::write(ini, emptied);
        game.setSoundOnOff(true);
        QCOMPARE(scores(game), (QList<int>{500, 400, 300, 200, 100}));
        QCOMPARE(holders(game), (QStringList{"P1", "P2", "P3", "P4", "P5"}));
        QCOMPARE(game.SetScore(250), qint16(4));
        FakeWorld again;
        const clsSetup reread(again, dir.path());
        QCOMPARE(scores(reread), (QList<int>{500, 400, 300, 250, 200}));
        QVERIFY(reread.SoundOnOff());
        // What the emptied file held stays, the table after it.
        const QByteArray after = TestFiles::read(ini);
        QVERIFY(after.startsWith(emptied));
        QVERIFY(after.indexOf("[HiScore]") >= emptied.size());
    }
}

void tst_clssetup::aRefusedScoreIsWrittenWithItsName()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("Typhoros.ini");
    const QByteArray table = tableFile({{50, "carol1"}, {40, "carol2"}, {30, "carol3"}, {20, "carol4"}, {10, "carol5"}});
    FakeWorld world;
    const auto inFile = [&] {
        FakeWorld w;
        const clsSetup file(w, dir.path());
        return std::pair(scores(file), holders(file));
    };

    // Another game holds the lock through the score's write, not the name's.
    TestFiles::write(ini, table);
    {
        clsSetup game(world, dir.path());
        {
            const WriterLock held(ini, WriterLock::Use::Write, 0);
            QCOMPARE(game.SetScore(1388), qint16(1));
        }
        QCOMPARE(TestFiles::read(ini), table);
        game.SetScoreHolder(1, QStringLiteral("mallory"));
    }
    QCOMPARE(inFile(), std::pair(QList<int>{1388, 50, 40, 30, 20},
                                 QStringList{"mallory", "carol1", "carol2", "carol3", "carol4"}));

    // Both refused, and another game scores meanwhile: the next write that
    // succeeds enters the score with its name, among the file's scores.
    TestFiles::write(ini, table);
    {
        clsSetup game(world, dir.path());
        {
            const WriterLock held(ini, WriterLock::Use::Write, 0);
            game.SetScoreHolder(game.SetScore(1388), QStringLiteral("mallory"));
        }
        QCOMPARE(TestFiles::read(ini), table);
        FakeWorld w;
        clsSetup other(w, dir.path());
        other.SetScoreHolder(other.SetScore(45), QStringLiteral("bob"));
        game.setSoundOnOff(true);
        QCOMPARE(holders(game), (QStringList{"mallory", "carol1", "bob", "carol2", "carol3"}));
    }
    QCOMPARE(inFile(), std::pair(QList<int>{1388, 50, 45, 40, 30},
                                 QStringList{"mallory", "carol1", "bob", "carol2", "carol3"}));
    QVERIFY(!TestFiles::read(ini).contains("Pending"));
}

QTEST_GUILESS_MAIN(tst_clssetup)
#include "tst_clssetup.moc"
