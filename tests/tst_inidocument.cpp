// SPDX-License-Identifier: MIT
// Settings files as Windows' profile functions read and write them, kept
// byte for byte where a write does not touch them, and written crash-safe.
#include "platform/AtomicFile.h"
#include "platform/Cp932.h"
#include "platform/IniDocument.h"

#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {

// A file as Windows tools leave it: CR LF, CP932 names, odd spacing and case,
// a comment, an unknown key, duplicates and another section.
const QByteArray WindowsFile =
    "; high scores\r\n"
    "[hiscore]\r\n"
    "Score1 = 500\r\n"
    "Holder1=\x91\xBE\x98\x59\r\n" // 太郎
    "unknown=keep me\r\n"
    "Score1=999\r\n"
    "\r\n"
    "[Other]\r\n"
    "x=1\r\n"
    "[HISCORE]\r\n"
    "Score2=7\r\n";

} // namespace

class tst_inidocument : public QObject
{
    Q_OBJECT
private slots:
    void reads_data();
    void reads();
    void parseInteger_data();
    void parseInteger();
    void longValuesAreCutAtCharacterBoundary();
    void replacingKeepsEveryOtherByte();
    void appendsKeyAtEndOfItsSection();
    void appendsMissingSection();
    void removesKey();
    void removingMissingKeyChangesNothing();
    void lastLineWithoutLineEnd();
    void valuesCannotBreakStructure();
    void unmappableCharactersBecomeQuestionMarks();
    void saveCreatesFileOnlyWhenModified();
    void saveFailureLeavesNothingBehind();
    void saveKeepsPermissions();
};

void tst_inidocument::reads_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blanks around name and value") << "HiScore" << "Score1" << "500";
    QTest::newRow("case-insensitive names") << "HISCORE" << "score1" << "500";
    QTest::newRow("cp932 value") << "HiScore" << "Holder1" << QStringLiteral("太郎");
    QTest::newRow("first duplicate section wins") << "HiScore" << "Score2" << "<missing>";
    QTest::newRow("unknown key") << "hiscore" << "unknown" << "keep me";
    QTest::newRow("other section") << "other" << "X" << "1";
    QTest::newRow("missing section") << "Setup" << "SoundOn" << "<missing>";
    QTest::newRow("comment is not a key") << "HiScore" << "; high scores" << "<missing>";
}

void tst_inidocument::reads()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const IniDocument doc = IniDocument::fromBytes(WindowsFile);
    QCOMPARE(doc.string(section, key, QStringLiteral("<missing>")), expected);
}

void tst_inidocument::parseInteger_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QByteArray("1234") << 1234;
    QTest::newRow("leading blanks and sign") << QByteArray("  -5") << -5;
    QTest::newRow("plus sign") << QByteArray("+12") << 12;
    QTest::newRow("trailing junk") << QByteArray("12abc") << 12;
    QTest::newRow("no digits") << QByteArray("abc") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("sign only") << QByteArray("-") << 0;
    QTest::newRow("too large saturates") << QByteArray("99999999999") << 2147483647;
    QTest::newRow("too small saturates") << QByteArray("-99999999999") << int(-2147483648LL);
    QTest::newRow("int32 max") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("very long digits") << QByteArray(400, '9') << 2147483647;
}

void tst_inidocument::parseInteger()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(IniDocument::parseInteger(text), value);
}

void tst_inidocument::longValuesAreCutAtCharacterBoundary()
{
    // 254 ASCII bytes then あ: the 255-byte limit falls inside あ.
    const QByteArray value = QByteArray(254, 'x') + "\x82\xA0" + "tail";
    const IniDocument doc = IniDocument::fromBytes("[S]\r\nk=" + value + "\r\n");
    QCOMPARE(doc.string("S", "k", ""), QString(254, QLatin1Char('x')));
    const IniDocument ascii = IniDocument::fromBytes("[S]\r\nk=" + QByteArray(300, 'y') + "\r\n");
    QCOMPARE(ascii.string("S", "k", "").size(), 255);
    QCOMPARE(doc.string("S", "k", "", 4), QStringLiteral("xxx"));
}

void tst_inidocument::replacingKeepsEveryOtherByte()
{
    IniDocument doc = IniDocument::fromBytes(WindowsFile);
    doc.setValue("HiScore", "score1", QStringLiteral("600"));
    QByteArray expected = WindowsFile;
    expected.replace("Score1 = 500\r\n", "score1=600\r\n");
    QCOMPARE(doc.toBytes(), expected);
    QVERIFY(doc.isModified());
}

void tst_inidocument::appendsKeyAtEndOfItsSection()
{
    IniDocument doc = IniDocument::fromBytes(WindowsFile);
    doc.setValue("HiScore", "Date1", QStringLiteral("2026/12/07 21:34"));
    QByteArray expected = WindowsFile;
    expected.replace("Score1=999\r\n\r\n", "Score1=999\r\nDate1=2026/12/07 21:34\r\n\r\n");
    QCOMPARE(doc.toBytes(), expected);
    QCOMPARE(doc.string("HiScore", "Date1", ""), QStringLiteral("2026/12/07 21:34"));
}

void tst_inidocument::appendsMissingSection()
{
    IniDocument doc = IniDocument::fromBytes(WindowsFile);
    doc.setValue("Setup", "SoundOn", QStringLiteral("True"));
    QCOMPARE(doc.toBytes(), WindowsFile + "[Setup]\r\nSoundOn=True\r\n");

    IniDocument empty;
    empty.setValue("Setup", "SoundOn", QStringLiteral("False"));
    QCOMPARE(empty.toBytes(), QByteArray("[Setup]\r\nSoundOn=False\r\n"));
}

void tst_inidocument::removesKey()
{
    IniDocument doc = IniDocument::fromBytes(WindowsFile);
    doc.setValue("HiScore", "Holder1", std::nullopt);
    QByteArray expected = WindowsFile;
    expected.replace("Holder1=\x91\xBE\x98\x59\r\n", "");
    QCOMPARE(doc.toBytes(), expected);
    QCOMPARE(doc.string("HiScore", "Holder1", "Err"), QStringLiteral("Err"));
}

void tst_inidocument::removingMissingKeyChangesNothing()
{
    IniDocument doc = IniDocument::fromBytes(WindowsFile);
    doc.setValue("HiScore", "Holder5", std::nullopt);
    doc.setValue("Nowhere", "Holder5", std::nullopt);
    QVERIFY(!doc.isModified());
    QCOMPARE(doc.toBytes(), WindowsFile);
}

void tst_inidocument::lastLineWithoutLineEnd()
{
    IniDocument doc = IniDocument::fromBytes("[A]\r\nk=1");
    doc.setValue("A", "j", QStringLiteral("2"));
    QCOMPARE(doc.toBytes(), QByteArray("[A]\r\nk=1\r\nj=2\r\n"));

    IniDocument lf = IniDocument::fromBytes("[A]\nk=1\n[B]\nz=0\n");
    lf.setValue("A", "k", QStringLiteral("9"));
    QCOMPARE(lf.toBytes(), QByteArray("[A]\nk=9\n[B]\nz=0\n"));
}

void tst_inidocument::valuesCannotBreakStructure()
{
    IniDocument doc;
    doc.setValue("HiScore", "Holder1", QString::fromUtf16(u"a\r\n[Setup]\0SoundOn=True", 24));
    const QByteArray bytes = doc.toBytes();
    QCOMPARE(bytes.count("\r\n"), 2);
    QVERIFY(!bytes.contains('\0'));
    const IniDocument reread = IniDocument::fromBytes(bytes);
    QCOMPARE(reread.string("Setup", "SoundOn", "False"), QStringLiteral("False"));
    QCOMPARE(reread.string("HiScore", "Holder1", ""), QStringLiteral("a  [Setup] SoundOn=True"));
}

void tst_inidocument::unmappableCharactersBecomeQuestionMarks()
{
    IniDocument doc;
    doc.setValue("HiScore", "Holder1", QStringLiteral("ゆ〜き😀"));
    QCOMPARE(doc.toBytes(), QByteArray("[HiScore]\r\nHolder1=\x82\xE4\x81\x60\x82\xAB?\r\n"));
    QCOMPARE(IniDocument::fromBytes(doc.toBytes()).string("HiScore", "Holder1", ""), QStringLiteral("ゆ～き?"));
}

void tst_inidocument::saveCreatesFileOnlyWhenModified()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Typhoros.ini");
    IniDocument doc = IniDocument::load(path);
    QVERIFY(doc.save(path));
    QVERIFY(!QFileInfo::exists(path));
    doc.setValue("Setup", "SoundOn", QStringLiteral("True"));
    QVERIFY(doc.save(path));
    QCOMPARE(TestFiles::read(path), QByteArray("[Setup]\r\nSoundOn=True\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Typhoros.ini"});
}

void tst_inidocument::saveFailureLeavesNothingBehind()
{
    QTemporaryDir dir;
    // The settings path is a directory: the write fails and changes nothing.
    const QString path = dir.filePath("Typhoros.ini");
    QVERIFY(QDir(dir.path()).mkdir("Typhoros.ini"));
    IniDocument doc = IniDocument::load(path);
    doc.setValue("Setup", "SoundOn", QStringLiteral("True"));
    QVERIFY(!doc.save(path));
    QVERIFY(QFileInfo(path).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{});

    // A directory that cannot be written.
    if (::geteuid() == 0)
        QSKIP("root may write anywhere");
    const QString ro = dir.filePath("ro");
    QDir(dir.path()).mkdir("ro");
    TestFiles::write(ro + "/Typhoros.ini", "[A]\r\nk=1\r\n");
    QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    IniDocument old = IniDocument::load(ro + "/Typhoros.ini");
    old.setValue("A", "k", QStringLiteral("2"));
    QVERIFY(!old.save(ro + "/Typhoros.ini"));
    QCOMPARE(TestFiles::read(ro + "/Typhoros.ini"), QByteArray("[A]\r\nk=1\r\n"));
    QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void tst_inidocument::saveKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Typhoros.ini");
    TestFiles::write(path, "[A]\r\n");
    const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                       | QFileDevice::ReadOther;
    QFile::setPermissions(path, perms);
    QVERIFY(AtomicFile::write(path, "[A]\r\nk=1\r\n"));
    QCOMPARE(QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), perms);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Typhoros.ini"});
}

QTEST_GUILESS_MAIN(tst_inidocument)
#include "tst_inidocument.moc"
