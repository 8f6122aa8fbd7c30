// SPDX-License-Identifier: MIT
// Question banks: how question files of every shape load, and how questions
// are drawn.
#include "classes/clsMondai.h"
#include "platform/Cp932.h"
#include "platform/RuntimeError.h"

#include "FakeWorld.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTest>
#include <cerrno>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

class tst_clsmondai : public QObject
{
    Q_OBJECT
private slots:
    void loads_data();
    void loads();
    void drawsEveryQuestionEvenly();
    void drawIndexFollowsTheRandomValue();
    void emptyBankDrawsEmptyTextAndOneValue();
    void reloadReplacesQuestions();
    void missingFileIsFileNotFound();
    void hostileFilesAreRefusedAtOnce_data();
    void hostileFilesAreRefusedAtOnce();
    void hugeBankUsesWholeRange();
    void banksOfTheDesignedSizeLoad_data();
    void banksOfTheDesignedSizeLoad();
};

void tst_clsmondai::loads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("questions");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\nc\r\n") << QStringList{"a", "b", "c"};
    QTest::newRow("no final line end") << QByteArray("a\r\nb\r\nc") << QStringList{"a", "b", "c"};
    QTest::newRow("empty last line") << QByteArray("a\r\nb\r\nc\r\n\r\n") << QStringList{"a", "b", "c", ""};
    QTest::newRow("CR only") << QByteArray("a\rb\rc\r") << QStringList{"a", "b", "c"};
    QTest::newRow("LF only (a Linux editor)") << QByteArray("a\nb\nc\n") << QStringList{"a", "b", "c"};
    QTest::newRow("mixed line ends") << QByteArray("a\r\nb\nc\rd\n\re") << QStringList{"a", "b", "c", "d", "", "e"};
    QTest::newRow("blanks belong to the question")
        << QByteArray("\x81\x40\x82\xA0 \r\n") << QStringList{QStringLiteral("　あ ")};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("only empty lines") << QByteArray("\r\n\r\n") << QStringList{"", ""};
    QTest::newRow("invalid bytes become U+FFFD")
        << QByteArray("\x82\xA0\x82\r\n\xFF") << QStringList{QStringLiteral("あ\uFFFD"), QStringLiteral("\uFFFD")};
    QTest::newRow("kanji and ascii") << QByteArray("CPU\x82\xCC\x89\xB7\x93\x78\r\n")
                                     << QStringList{QStringLiteral("CPUの温度")};
    QTest::newRow("UTF-8, LF") << QStringLiteral("ねこ\nいぬ\nとり\n").toUtf8()
                               << QStringList{QStringLiteral("ねこ"), QStringLiteral("いぬ"), QStringLiteral("とり")};
    QTest::newRow("UTF-8 mark, then bytes that are not UTF-8")
        << QByteArray("\xEF\xBB\xBF" + QStringLiteral("ね").toUtf8() + "\xFF\n\x82\xA0")
        << QStringList{QStringLiteral("ね\uFFFD"), QStringLiteral("\uFFFD\uFFFD")};
    // As the answer box holds them, so that typing them as written hits.
    QTest::newRow("UTF-8 look-alikes and characters code page 932 lacks")
        << QStringLiteral("ね〜−1\n🍣café\n").toUtf8()
        << QStringList{QStringLiteral("ね～－1"), QStringLiteral("?caf?")};
}

void tst_clsmondai::loads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, questions);
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("Mondai0.txt"), bytes);
    FakeWorld world;
    clsMondai bank(world, dir.path());
    bank.LoadMondai("Mondai0.txt");
    QCOMPARE(bank.count(), questions.size());
    // Draw each index by choosing the random value that lands on it.
    for (int k = 0; k < questions.size(); ++k) {
        world.script.push_back((k + 0.5f) / questions.size());
        QCOMPARE(bank.GetMondai(), questions[k]);
    }
}

void tst_clsmondai::drawsEveryQuestionEvenly()
{
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("q.txt"), "a\r\nb\r\nc\r\n");
    FakeWorld world;
    clsMondai bank(world, dir.path());
    bank.LoadMondai("q.txt");
    QHash<QString, int> counts;
    const int draws = 30000;
    for (int i = 0; i < draws; ++i)
        ++counts[bank.GetMondai()];
    QCOMPARE(counts.size(), 3);
    for (const char *q : {"a", "b", "c"})
        QVERIFY2(qAbs(counts[q] - draws / 3) < draws / 30, qPrintable(q));
}

void tst_clsmondai::drawIndexFollowsTheRandomValue()
{
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("q.txt"), "a\r\nb\r\nc\r\n");
    FakeWorld world;
    clsMondai bank(world, dir.path());
    bank.LoadMondai("q.txt");
    const float almostOne = std::nextafter(1.0f, 0.0f);
    world.script = {0.0f, 0.3333333f, 0.33333334f, 0.6666666f, 0.6666667f, almostOne};
    const QStringList expected{"a", "a", "b", "b", "c", "c"};
    for (const QString &q : expected)
        QCOMPARE(bank.GetMondai(), q);
}

void tst_clsmondai::emptyBankDrawsEmptyTextAndOneValue()
{
    FakeWorld world;
    clsMondai bank(world, QDir::tempPath());
    QCOMPARE(bank.GetMondai(), QString());
    QCOMPARE(bank.GetMondai(), QString());
    QCOMPARE(world.draws, 2);
}

void tst_clsmondai::reloadReplacesQuestions()
{
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("one.txt"), "a\r\nb\r\nc\r\n");
    TestFiles::write(dir.filePath("two.txt"), "z\r\n");
    FakeWorld world;
    clsMondai bank(world, dir.path());
    bank.LoadMondai("one.txt");
    bank.LoadMondai("two.txt");
    QCOMPARE(bank.count(), 1);
    for (int i = 0; i < 50; ++i)
        QCOMPARE(bank.GetMondai(), QStringLiteral("z"));
}

void tst_clsmondai::missingFileIsFileNotFound()
{
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("one.txt"), "a\r\n");
    FakeWorld world;
    clsMondai bank(world, dir.path());
    bank.LoadMondai("one.txt");
    try {
        bank.LoadMondai("Mondai2.txt");
        QFAIL("loaded a missing file");
    } catch (const RuntimeError &e) {
        QCOMPARE(int(e.number()), 53);
        QVERIFY(e.fileName().endsWith("Mondai2.txt"));
    }
    QCOMPARE(bank.count(), 0);
}

void tst_clsmondai::hostileFilesAreRefusedAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("error");
    // Refused unopened: opening a device can act on it (a serial port's
    // lines). Checked where only this test can open the file.
    QTest::addColumn<bool>("unopened");
    QTest::newRow("directory") << "directory" << 75 << true;
    QTest::newRow("FIFO") << "fifo" << 75 << true; // would hang the start in open()
    QTest::newRow("link to a FIFO") << "fifo link" << 75 << true;
    QTest::newRow("link to /dev/zero") << "zero" << 75 << false; // would read forever
    QTest::newRow("larger than a question file") << "large" << 7 << false;
}

void tst_clsmondai::hostileFilesAreRefusedAtOnce()
{
    QFETCH(QString, kind);
    QFETCH(int, error);
    QFETCH(bool, unopened);
    QTemporaryDir dir;
    const QString path = dir.filePath("Mondai0.txt");
    const QString fifo = kind == "fifo link" ? dir.filePath("fifo") : path;
    if (kind == "directory") {
        QVERIFY(QDir(dir.path()).mkdir("Mondai0.txt"));
    } else if (kind.startsWith("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        if (fifo != path)
            QVERIFY(QFile::link(fifo, path));
    } else if (kind == "zero")
        QVERIFY(QFile::link("/dev/zero", path));
    else
        TestFiles::write(path, QByteArray(clsMondai::MaxFileBytes + 1, 'a'));
    // The watch follows the link, as an open would.
    const int opens = unopened ? ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC) : -1;
    if (unopened) {
        QVERIFY(opens >= 0);
        QVERIFY(::inotify_add_watch(opens, QFile::encodeName(path).constData(), IN_OPEN) >= 0);
    }
    FakeWorld world;
    clsMondai bank(world, dir.path());
    QElapsedTimer clock;
    clock.start();
    try {
        bank.LoadMondai("Mondai0.txt");
        QFAIL("loaded it");
    } catch (const RuntimeError &e) {
        QCOMPARE(int(e.number()), error);
        QCOMPARE(e.fileName(), path);
    }
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(bank.count(), 0);
    if (unopened) {
        char events[4096];
        const ssize_t got = ::read(opens, events, sizeof events);
        ::close(opens);
        QVERIFY2(got < 0 && errno == EAGAIN, "opened before it was refused");
    }
}

void tst_clsmondai::hugeBankUsesWholeRange()
{
    // More lines than a 16-bit index can reach: the last ones must be drawn.
    QTemporaryDir dir;
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += QByteArray::number(i) + "\r\n";
    TestFiles::write(dir.filePath("big.txt"), bytes);
    FakeWorld world;
    clsMondai bank(world, dir.path());
    bank.LoadMondai("big.txt");
    QCOMPARE(bank.count(), 100000);
    world.script = {std::nextafter(1.0f, 0.0f), 0.5f};
    QCOMPARE(bank.GetMondai(), QStringLiteral("99999"));
    QCOMPARE(bank.GetMondai(), QStringLiteral("50000"));
}

void tst_clsmondai::banksOfTheDesignedSizeLoad_data()
{
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("15,000 of 40 full-width characters, code page 932 (1.2 MiB)") << 15000 << false;
    QTest::newRow("32,768 of 40 full-width characters, UTF-8 (3.8 MiB)") << 32768 << true;
}

void tst_clsmondai::banksOfTheDesignedSizeLoad()
{
    QFETCH(int, questions);
    QFETCH(bool, utf8);
    const QString question(40, QChar(0x3042));
    const QByteArray line = (utf8 ? question.toUtf8() : Cp932::encode(question)) + "\r\n";
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("Mondai3.txt"), line.repeated(questions));
    FakeWorld world;
    clsMondai bank(world, dir.path());
    try {
        bank.LoadMondai("Mondai3.txt");
    } catch (const RuntimeError &e) {
        QFAIL(qPrintable(QStringLiteral("run-time error %1").arg(int(e.number()))));
    }
    QCOMPARE(bank.count(), questions);
    world.script = {std::nextafter(1.0f, 0.0f)};
    QCOMPARE(bank.GetMondai(), question);
}

QTEST_GUILESS_MAIN(tst_clsmondai)
#include "tst_clsmondai.moc"
