// SPDX-License-Identifier: MIT
// Run-time helpers: rounding as the score needs it, overflow checks, the
// random draw's range, and the high-score table's date texts.
#include "platform/RandomSource.h"
#include "platform/Runtime.h"
#include "platform/RuntimeError.h"

#include <QTest>
#include <cmath>

class tst_runtime : public QObject
{
    Q_OBJECT
private slots:
    void clngRoundsHalfToEven_data();
    void clngRoundsHalfToEven();
    void overflowIsRuntimeError();
    void intIsFloor();
    void randomNeverReachesOne();
    void parseStoredDate_data();
    void parseStoredDate();
    void storedDateDropsSeconds();
    void generalDate_data();
    void generalDate();
    void reportText();
};

void tst_runtime::clngRoundsHalfToEven_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("expected");
    QTest::newRow("161.5") << 161.5 << 162;
    QTest::newRow("162.5") << 162.5 << 162;
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("2.4999") << 2.4999 << 2;
    QTest::newRow("2.5001") << 2.5001 << 3;
    QTest::newRow("int32 max") << 2147483647.0 << 2147483647;
}

void tst_runtime::clngRoundsHalfToEven()
{
    QFETCH(double, x);
    QFETCH(int, expected);
    QCOMPARE(Runtime::CLng(x), expected);
}

void tst_runtime::overflowIsRuntimeError()
{
    for (double x : {2147483647.5, -2147483649.0, 1e300, std::nan("")}) {
        try {
            Runtime::CLng(x);
            QFAIL("no overflow");
        } catch (const RuntimeError &e) {
            QCOMPARE(int(e.number()), 6);
        }
    }
    QCOMPARE(Runtime::checked16(32767), qint16(32767));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Runtime::checked16(32768));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Runtime::checked16(-32769));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Runtime::checked32(2147483648LL));
}

void tst_runtime::intIsFloor()
{
    QCOMPARE(Runtime::Int(2.9), 2.0);
    QCOMPARE(Runtime::Int(-0.5), -1.0);
}

void tst_runtime::randomNeverReachesOne()
{
    RandomSource random(1);
    float lowest = 1, highest = 0;
    for (int i = 0; i < 2000000; ++i) {
        const float r = random.next();
        QVERIFY(r >= 0.0f && r < 1.0f);
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    QVERIFY(lowest < 1e-5f && highest > 1.0f - 1e-5f);
    RandomSource a(7), b(7);
    QCOMPARE(a.next(), b.next());
}

void tst_runtime::parseStoredDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");
    QTest::newRow("as the game writes it") << "2026/12/07 09:05" << QDateTime(QDate(2026, 12, 7), QTime(9, 5));
    QTest::newRow("the unpadded default") << "1970/1/1 00:00" << QDateTime(QDate(1970, 1, 1), QTime(0, 0));
    QTest::newRow("with seconds") << "2026/1/2 3:04:05" << QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    QTest::newRow("date alone") << "2026/02/28" << QDateTime(QDate(2026, 2, 28), QTime(0, 0));
    QTest::newRow("blanks around") << "  2026/02/28 10:00 " << QDateTime(QDate(2026, 2, 28), QTime(10, 0));
    QTest::newRow("no such day") << "2026/02/30 10:00" << QDateTime();
    QTest::newRow("no such hour") << "2026/02/28 24:00" << QDateTime();
    QTest::newRow("junk") << "yesterday" << QDateTime();
    QTest::newRow("junk after") << "2026/02/28 10:00x" << QDateTime();
    QTest::newRow("five-digit year") << "12026/02/28" << QDateTime();
    QTest::newRow("hour without minutes") << "2026/02/28 10" << QDateTime();
    QTest::newRow("empty") << "" << QDateTime();
}

void tst_runtime::parseStoredDate()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    const auto parsed = Runtime::parseStoredDate(text);
    QCOMPARE(parsed.value_or(QDateTime()), expected);
}

void tst_runtime::storedDateDropsSeconds()
{
    QCOMPARE(Runtime::storedDate(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 59))), QStringLiteral("2026/03/04 05:06"));
}

void tst_runtime::generalDate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("expected");
    const QDateTime evening(QDate(2026, 12, 7), QTime(21, 34, 56));
    const QDateTime morning(QDate(2026, 12, 7), QTime(9, 5, 3));
    const QDateTime midnight(QDate(1970, 1, 1), QTime(0, 0));
    QTest::newRow("japanese") << "ja_JP" << evening << "2026/12/07 21:34:56";
    QTest::newRow("japanese morning") << "ja_JP" << morning << "2026/12/07 9:05:03";
    QTest::newRow("japanese midnight") << "ja_JP" << midnight << "1970/01/01";
    QTest::newRow("one second past midnight") << "ja_JP" << QDateTime(QDate(1970, 1, 1), QTime(0, 0, 1)) << "1970/01/01 0:00:01";
}

void tst_runtime::generalDate()
{
    QFETCH(QString, locale);
    QFETCH(QDateTime, when);
    QFETCH(QString, expected);
    QCOMPARE(Runtime::generalDate(when, QLocale(locale)), expected);
}

void tst_runtime::reportText()
{
    const RuntimeError e(RuntimeError::FileNotFound, "/games/typhoros/Mondai2.txt");
    QCOMPARE(e.report(), QStringLiteral("Run-time error '53':\n\nFile not found\n\n/games/typhoros/Mondai2.txt"));
    QCOMPARE(RuntimeError(RuntimeError::Overflow).report(), QStringLiteral("Run-time error '6':\n\nOverflow"));
}

QTEST_GUILESS_MAIN(tst_runtime)
#include "tst_runtime.moc"
