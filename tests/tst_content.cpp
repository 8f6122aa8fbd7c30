// SPDX-License-Identifier: MIT
// The question files the game ships: valid code page 932, CR LF, enough
// questions of the right kind and length per level, no duplicates or blanks.
#include "classes/clsMondai.h"
#include "platform/Cp932.h"

#include "TestFiles.h"

#include <QSet>
#include <QTest>

namespace {

bool isHiragana(QChar c) { return c.unicode() >= 0x3041 && c.unicode() <= 0x309F; }
bool isKana(QChar c) { return c.unicode() >= 0x3041 && c.unicode() <= 0x30FF; }
bool isKanji(QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; }

} // namespace

class tst_content : public QObject
{
    Q_OBJECT
private slots:
    void questionFiles_data();
    void questionFiles();
};

void tst_content::questionFiles_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("shortest");
    QTest::addColumn<int>("longest");
    QTest::newRow("練習") << 0 << 80 << 2 << 4;
    QTest::newRow("初級") << 1 << 120 << 3 << 6;
    QTest::newRow("中級") << 2 << 150 << 2 << 5;
    QTest::newRow("上級") << 3 << 150 << 1 << 7;
}

void tst_content::questionFiles()
{
    QFETCH(int, level);
    QFETCH(int, minimum);
    QFETCH(int, shortest);
    QFETCH(int, longest);
    const QByteArray bytes = TestFiles::read(QStringLiteral(GAME_DIR "/Mondai%1.txt").arg(level));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    const QString text = Cp932::decode(bytes);
    QVERIFY(!text.contains(QChar(0xFFFD)));
    QCOMPARE(Cp932::encode(text), bytes);

    const QStringList questions = clsMondai::splitLines(text);
    QVERIFY2(questions.size() >= minimum, qPrintable(QString::number(questions.size())));
    QCOMPARE(QSet<QString>(questions.begin(), questions.end()).size(), questions.size());
    for (const QString &q : questions) {
        QVERIFY2(q.size() >= shortest && q.size() <= longest, qPrintable(q));
        QCOMPARE(q.trimmed(), q);
        switch (level) {
        case 0:
            QVERIFY2(std::all_of(q.begin(), q.end(), isHiragana), qPrintable(q));
            break;
        case 1:
            QVERIFY2(std::all_of(q.begin(), q.end(), isKana), qPrintable(q));
            break;
        case 2:
            QVERIFY2(std::any_of(q.begin(), q.end(), isKanji), qPrintable(q));
            break;
        }
    }
}

QTEST_GUILESS_MAIN(tst_content)
#include "tst_content.moc"
