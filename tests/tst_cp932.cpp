// SPDX-License-Identifier: MIT
// Code page 932: the bytes real question and settings files hold, decoded
// and encoded without loss, crash or silent drops.
#include "platform/Cp932.h"

#include <QStringDecoder>
#include <QTest>

class tst_cp932 : public QObject
{
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void encode_data();
    void encode();
    void roundTripsEveryMappedPair();
    void prefixLength_data();
    void prefixLength();
    void namesFoldOnlyAscii();
};

void tst_cp932::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii with backslash and tilde") << QByteArray("a\\b~") << QStringLiteral("a\\b~");
    QTest::newRow("hiragana") << QByteArray("\x82\xA0\x82\xA2") << QStringLiteral("あい");
    QTest::newRow("wave dash is the full-width tilde") << QByteArray("\x81\x60") << QString(QChar(0xFF5E));
    QTest::newRow("NEC circled digit") << QByteArray("\x87\x40") << QStringLiteral("①");
    QTest::newRow("IBM small roman numeral") << QByteArray("\xFA\x40") << QStringLiteral("ⅰ");
    QTest::newRow("half-width katakana") << QByteArray("\xB1\xDF") << QStringLiteral("ｱﾟ");
    QTest::newRow("control bytes alone") << QByteArray("\x1A\x1C\x7F") << QStringLiteral("\x1A\x1C\x7F");
    QTest::newRow("control bytes stay ASCII") << QByteArray("\x1A\x1C\x7F\x82\xA0") << QStringLiteral("\x1A\x1C\x7Fあ");
    QTest::newRow("trailing lone lead byte") << QByteArray("A\x82") << QStringLiteral("A\uFFFD");
    QTest::newRow("lead byte before a blank") << QByteArray("\x82\x20\x82\xA2") << QStringLiteral("\uFFFD い");
    QTest::newRow("unassigned pair") << QByteArray("x\x85\x40y") << QStringLiteral("x\uFFFDy");
    QTest::newRow("bytes that are never characters") << QByteArray("\x80\xA0\xFD\xFE\xFF") << QStringLiteral("\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
    QTest::newRow("NUL is kept") << QByteArray("a\0b", 3) << QString::fromUtf16(u"a\0b", 3);
}

void tst_cp932::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(Cp932::decode(bytes), text);
    QCOMPARE(Cp932::decodeWithIcu(bytes), text);
}

void tst_cp932::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("kana and kanji") << QStringLiteral("ねこ猫") << QByteArray("\x82\xCB\x82\xB1\x94\x4C");
    // Look-alikes that input methods commit take the Windows best fit.
    QTest::newRow("Unicode wave dash") << QStringLiteral("a〜b") << QByteArray("a\x81\x60" "b");
    QTest::newRow("yen sign") << QStringLiteral("¥100") << QByteArray("\\100");
    QTest::newRow("minus sign, double bar, overline") << QStringLiteral("\u2212\u2016\u203E")
                                                      << QByteArray("\x81\x7C\x81\x61~");
    QTest::newRow("no mapping at all") << QStringLiteral("\u00AC") << QByteArray("?");
    QTest::newRow("emoji is one character") << QStringLiteral("x😀y") << QByteArray("x?y");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
    QTest::newRow("control characters") << QStringLiteral("\x1A\x1C\x7F") << QByteArray("\x1A\x1C\x7F");
    QTest::newRow("circled digit") << QStringLiteral("①") << QByteArray("\x87\x40");
}

void tst_cp932::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const QByteArray out = Cp932::encode(text);
    QCOMPARE(out, bytes);
    QVERIFY(!out.contains("\xFC\xFC"));
}

void tst_cp932::roundTripsEveryMappedPair()
{
    // Every two-byte character decodes to one character that encodes back,
    // though duplicates in the table (NEC and IBM rows) may pick one form,
    // and decodes as the table the encoder writes by (ICU's) has it.
    int pairs = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!Cp932::isLeadByte(uchar(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            const char bytes[2] = {char(lead), char(trail)};
            const QString s = Cp932::decode(QByteArrayView(bytes, 2));
            QCOMPARE(s.size(), 1);
            QCOMPARE(Cp932::decodeWithIcu(QByteArrayView(bytes, 2)), s);
            QStringDecoder table("windows-31j", QStringConverter::Flag::Stateless);
            const QString inTable = table.decode(QByteArrayView(bytes, 2));
            const bool mapped = !table.hasError() && inTable.size() == 1 && inTable != QString(QChar(0xFFFD));
            QCOMPARE(s.at(0) != QChar(0xFFFD), mapped);
            if (!mapped)
                continue;
            QCOMPARE(s, inTable);
            ++pairs;
            QCOMPARE(Cp932::decode(Cp932::encode(s)), s);
        }
    }
    QVERIFY(pairs > 7000);
}

void tst_cp932::prefixLength_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("expected");
    const QByteArray aiu("\x82\xA0\x82\xA2\x82\xA4");
    QTest::newRow("fits") << aiu << 6 << 6;
    QTest::newRow("cut inside a character") << aiu << 5 << 4;
    QTest::newRow("cut on a boundary") << aiu << 4 << 4;
    QTest::newRow("ascii then kana") << QByteArray("ab\x82\xA0") << 3 << 2;
    QTest::newRow("zero") << aiu << 0 << 0;
}

void tst_cp932::prefixLength()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, max);
    QFETCH(int, expected);
    QCOMPARE(Cp932::prefixLength(bytes, max), expected);
}

void tst_cp932::namesFoldOnlyAscii()
{
    QVERIFY(Cp932::equalsIgnoreAsciiCase("HiScore", "hISCORE"));
    QVERIFY(!Cp932::equalsIgnoreAsciiCase("Score1", "Score2"));
    // ア (83 41) and ャ (83 61) differ only by a letter-like second byte.
    QVERIFY(!Cp932::equalsIgnoreAsciiCase("\x83\x41", "\x83\x61"));
    QVERIFY(Cp932::equalsIgnoreAsciiCase("\x83\x41x", "\x83\x41X"));
}

QTEST_GUILESS_MAIN(tst_cp932)
#include "tst_cp932.moc"
