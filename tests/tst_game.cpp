// SPDX-License-Identifier: MIT
// The game itself, played through the game window's event procedures with a
// scripted world: launch and lanes, descent and pause, shots and points,
// landings, game over and the high-score entry, and the sound cues.
#include "forms/AnswerBox.h"
#include "forms/GameTimer.h"
#include "forms/PlayField.h"
#include "forms/UfoLabel.h"
#include "platform/Cp932.h"

#include "GameFixture.h"
#include "TestFiles.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

namespace {

const float AlmostOne = std::nextafter(1.0f, 0.0f);

const QString OK = QStringLiteral("Chirp.exe OK.wav 400");
const QString NG = QStringLiteral("Chirp.exe NG.wav 400");
const QString Down = QStringLiteral("Chirp.exe Down.wav 100");
const QString RedCue = QStringLiteral("Chirp.exe red.wav 500");
const QString BlueCue = QStringLiteral("Chirp.exe bule.wav 2000");
const QString HighScore = QStringLiteral("Chirp.exe HighScore.wav 4000");

} // namespace

class tst_game : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }
    void startSetsUpLevel_data();
    void startSetsUpLevel();
    void lanes_data();
    void lanes();
    void fallingInvaderKeepsItsLane();
    void longQuestionGivesNegativeLeft();
    void longQuestionShowsWhatFallsInTheField();
    void stepRangePerSlot();
    void kindsComeInTheirProportions();
    void kindColours();
    void passWithNoFreeSlotDrawsNothing();
    void landsOnTheNinetyFirstMove();
    void pauseHoldsElevenTicks();
    void secondBlueHitDoesNotExtendPause();
    void pauseCarriesIntoNextGame();
    void equalQuestionsAreHitOneAtATime();
    void misses_data();
    void misses();
    void lookAlikesHitAsTheirCodePage932Form_data();
    void lookAlikesHitAsTheirCodePage932Form();
    void redHitClearsFieldAndScoresOnce();
    void pointsRoundHalfToEven_data();
    void pointsRoundHalfToEven();
    void enterWhileIdleStartsGame();
    void practiceLandingOnlyClears();
    void gameOverWithoutRank();
    void gameOverWithRankAsksForName();
    void cancelledNameLeavesHolderEmpty();
    void oneLandingPerTick();
    void exitButtonDuringGame();
    void emptyQuestionsLeaveSlotsFree();
    void cueCommandLines();
    void soundOffStartsNothing();
    void failingPlayerIsIgnored();
    void inputMethodEnterNeverShoots();
    void wholeGameWithRealKeys();
    void startFocusesTheAnswerBoxAndOnlyEnterShoots();
};

void tst_game::startSetsUpLevel_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("interval");
    QTest::newRow("練習") << 0 << 800;
    QTest::newRow("初級") << 1 << 600;
    QTest::newRow("中級") << 2 << 400;
    QTest::newRow("上級") << 3 << 200;
}

void tst_game::startSetsUpLevel()
{
    QFETCH(int, level);
    QFETCH(int, interval);
    GameFixture g;
    // A previous game at level 3 leaves questions on every invader.
    g.start(3);
    g.tick();
    g.form->cmdExit_Click();
    const QString lastOnSlot3 = g.form->lblUFO[3]->Caption();
    QVERIFY(!lastOnSlot3.isEmpty());

    g.start(level);
    QCOMPARE(g.form->intLevel(), level);
    QCOMPARE(g.form->intUfoCount(), level + 1);
    QCOMPARE(g.form->lngPoint(), 0);
    QCOMPARE(g.form->timScrool->interval(), interval);
    QCOMPARE(g.form->timScrool->timerType(), Qt::PreciseTimer);
    QVERIFY(g.form->timScrool->isActive());
    QCOMPARE(g.world.randomizeCalls, 2);
    QVERIFY(g.form->isPlaying());
    QVERIFY(!g.form->cmdSetup->isEnabled());
    for (int i = 0; i < 4; ++i) {
        QVERIFY(!g.form->optLevel[i]->isEnabled());
        QCOMPARE(g.form->lblUFO[i]->Visible(), i <= level);
        if (i <= level)
            QCOMPARE(g.form->lblUFO[i]->Caption(), QString());
    }
    if (level < 3)
        QCOMPARE(g.form->lblUFO[3]->Caption(), lastOnSlot3); // hidden, kept
}

void tst_game::lanes_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QList<int>>("questionIndex");
    QTest::addColumn<QList<float>>("left");
    // Lengths: level 0 ねこ 2, さくら 3, ひこうき 4; level 1 テレビ 3, コーヒー 4, abc 3;
    // level 2 電車 2, 図書館 3, 天気予報 4; level 3 all 4 but CPUの温度 6.
    QTest::newRow("0: centred, fractional half") << 0 << QList<int>{2} << QList<float>{(9615.0f - 4 * 295) / 2};
    QTest::newRow("0: centred, whole") << 0 << QList<int>{1} << QList<float>{(9615.0f - 3 * 295) / 2};
    QTest::newRow("1: left and right-aligned") << 1 << QList<int>{0, 1} << QList<float>{10, 9615 - 5 * 295};
    QTest::newRow("2: left, centred, right") << 2 << QList<int>{0, 2, 1}
                                              << QList<float>{10, (9615.0f - 4 * 295) / 2, 9615 - 4 * 295};
    QTest::newRow("3: quarters whatever the questions") << 3 << QList<int>{0, 3, 1, 3}
                                                         << QList<float>{10, 2203.75f, 4407.5f, 9615 - 7 * 295};
}

void tst_game::lanes()
{
    QFETCH(int, level);
    QFETCH(QList<int>, questionIndex);
    QFETCH(QList<float>, left);
    GameFixture g;
    QCOMPARE(g.form->picScreen->WidthTwips(), 9615.0f);
    g.start(level);
    const int bankSize = int(GameFixture::defaultQuestions()[level].size());
    for (int i = 0; i <= level; ++i)
        g.scriptLaunch(questionIndex[i], bankSize, 0.0f, GameFixture::Black);
    g.tick();
    for (int i = 0; i <= level; ++i) {
        QCOMPARE(g.form->lblUFO[i]->Caption(), g.question(level, questionIndex[i]));
        QCOMPARE(g.form->lblUFO[i]->Left(), left[i]);
        QCOMPARE(g.form->lblUFO[i]->Top(), 80.0f); // launched and moved in the same tick
    }
    if (level == 3)
        QCOMPARE(g.form->lblUFO[2]->Left(), 2 * g.form->lblUFO[1]->Left());
}

void tst_game::fallingInvaderKeepsItsLane()
{
    GameFixture g;
    g.start(2);
    for (int q : {0, 1, 2})
        g.scriptLaunch(q, 3, 0.0f, GameFixture::Black);
    g.tick();
    const float slot1 = g.form->lblUFO[1]->Left();
    g.enter(g.form->lblUFO[2]->Caption());
    g.scriptLaunch(0, 3, 0.0f, GameFixture::Black); // slot 2 gets a 2-character question
    g.tick();
    QCOMPARE(g.form->lblUFO[1]->Left(), slot1);
    QCOMPARE(g.form->lblUFO[2]->Left(), 9615.0f - 3 * 295);
}

void tst_game::longQuestionGivesNegativeLeft()
{
    const QString longQuestion(40, QChar(0x3042));
    GameFixture g({{longQuestion}, {"a"}, {"a"}, {"a"}});
    g.start(0);
    g.tick();
    QCOMPARE(g.form->lblUFO[0]->Left(), (9615.0f - 40 * 295) / 2);
    QVERIFY(g.form->lblUFO[0]->Left() < 0);

    // Longer than an invader shows: its lane and its match take all of it.
    const QString huge(UfoLabel::ShownChars + 1000, QChar(0x3044));
    GameFixture h({{huge}, {"a"}, {"a"}, {"a"}});
    h.start(0);
    h.tick();
    QCOMPARE(h.form->lblUFO[0]->Left(), (9615.0f - float(huge.size()) * 295) / 2);
    h.enter(huge.left(UfoLabel::ShownChars));
    QCOMPARE(h.form->lblUFO[0]->Caption(), huge);
    h.enter(huge);
    QVERIFY(h.form->lblUFO[0]->Caption().isEmpty());
}

void tst_game::longQuestionShowsWhatFallsInTheField()
{
    // Varied, so that the part shown tells where it was taken from.
    QString question;
    quint32 x = 1;
    for (int i = 0; i < 20000; ++i) {
        x = x * 1103515245u + 12345u;
        question += QChar(0x3042 + (x >> 16) % 80);
    }
    GameFixture g({{question}, {"a"}, {"a"}, {"a"}});
    g.start(0);
    g.tick();
    // Centred, it starts (9615 - 295 * 20000) / 2 twips left of the field.
    const UfoLabel *ufo = g.form->lblUFO[0];
    const qsizetype from = question.indexOf(ufo->text());
    QVERIFY2(!ufo->text().isEmpty() && from > 0, qPrintable(QString::number(from)));
    QVERIFY2(ufo->text().size() < 100, qPrintable(QString::number(ufo->text().size()))); // only what is seen
    // Where the whole question laid out would put that part, covering the field.
    const double at = ufo->Left() / 15.0 + QFontMetricsF(ufo->font()).horizontalAdvance(question.left(from));
    QVERIFY2(std::abs(ufo->x() - at) <= 1, qPrintable(QStringLiteral("%1 %2").arg(ufo->x()).arg(at)));
    QVERIFY(ufo->x() <= 0);
    QVERIFY(ufo->x() + ufo->width() >= g.form->picScreen->canvas()->width());
}

void tst_game::stepRangePerSlot()
{
    GameFixture g;
    g.start(3);
    for (int i = 0; i < 4; ++i)
        g.scriptLaunch(0, 4, 0.0f, GameFixture::Black);
    g.form->timScrool->Tag = QStringLiteral("Blue"); // hold them at the top to read the steps
    g.tick();
    for (int i = 0; i < 4; ++i)
        QCOMPARE(g.form->lblUFO[i]->Tag, QStringLiteral("80"));
    for (int i = 0; i < 4; ++i) {
        g.form->lblUFO[i]->setCaption(QString());
        g.scriptLaunch(0, 4, AlmostOne, GameFixture::Black);
    }
    g.tick();
    const QStringList highest{"80", "160", "240", "320"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(g.form->lblUFO[i]->Tag, highest[i]);
}

void tst_game::kindsComeInTheirProportions()
{
    GameFixture g;
    g.start(3);
    QHash<quint32, int> kinds;
    QHash<QString, int> steps3;
    const int rounds = 20000;
    for (int n = 0; n < rounds; ++n) {
        for (UfoLabel *ufo : g.form->lblUFO)
            ufo->setCaption(QString());
        g.tick();
        for (UfoLabel *ufo : g.form->lblUFO)
            ++kinds[ufo->ForeColor()];
        ++steps3[g.form->lblUFO[3]->Tag];
    }
    const double launches = 4.0 * rounds;
    QCOMPARE(kinds.size(), 3);
    QVERIFY(std::abs(kinds[frmMain::Red] / launches - 0.1) < 0.005);
    QVERIFY(std::abs(kinds[frmMain::Blue] / launches - 9.0 / 80) < 0.005);
    QVERIFY(std::abs(kinds[frmMain::Black] / launches - 63.0 / 80) < 0.006);
    // Slot 3 steps cover 80..320, each about equally often.
    QCOMPARE(steps3.size(), 241);
    QVERIFY(steps3.contains("80") && steps3.contains("320") && !steps3.contains("321"));
}

void tst_game::kindColours()
{
    GameFixture g;
    g.start(2);
    g.scriptLaunch(0, 3, 0, GameFixture::Red);
    g.scriptLaunch(0, 3, 0, GameFixture::Blue);
    g.scriptLaunch(0, 3, 0, GameFixture::Black);
    g.tick();
    const QList<QPair<quint32, QColor>> expected{
        {255, QColor(255, 0, 0)}, {16711680, QColor(0, 0, 255)}, {0, QColor(0, 0, 0)}};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(g.form->lblUFO[i]->ForeColor(), expected[i].first);
        QCOMPARE(g.form->lblUFO[i]->palette().color(QPalette::WindowText), expected[i].second);
    }
}

void tst_game::passWithNoFreeSlotDrawsNothing()
{
    GameFixture g;
    g.start(3);
    g.tick();
    const int draws = g.world.draws;
    const float left3 = g.form->lblUFO[3]->Left();
    g.tick();
    QCOMPARE(g.world.draws, draws);
    QCOMPARE(g.form->lblUFO[3]->Left(), left3);
}

void tst_game::landsOnTheNinetyFirstMove()
{
    GameFixture g;
    g.start(0);
    g.tick(90);
    QCOMPARE(g.form->lblUFO[0]->Top(), 7200.0f);
    QVERIFY(!g.form->lblUFO[0]->Caption().isEmpty());
    g.tick();
    QCOMPARE(g.form->lblUFO[0]->Caption(), QString()); // landed at 7280 and cleared
    QCOMPARE(g.form->lblUFO[0]->Top(), 7280.0f);

    // Exactly at the field's height is not a landing.
    g.tick();
    g.form->lblUFO[0]->setTop(7135);
    g.tick();
    QCOMPARE(g.form->lblUFO[0]->Top(), 7215.0f);
    QVERIFY(!g.form->lblUFO[0]->Caption().isEmpty());
}

void tst_game::pauseHoldsElevenTicks()
{
    GameFixture g({}, true);
    g.start(3);
    g.scriptLaunch(0, 4, 0, GameFixture::Blue);
    g.tick();
    const float before = g.form->lblUFO[1]->Top();
    g.enter(g.form->lblUFO[0]->Caption());
    QCOMPARE(g.world.processes.last(), BlueCue);
    QCOMPARE(g.form->timScrool->Tag, QStringLiteral("Blue"));
    g.world.processes.clear();
    for (int t = 1; t <= 11; ++t) {
        g.tick();
        QCOMPARE(g.form->intBlueTicks(), t);
    }
    QVERIFY(g.world.processes.isEmpty());
    QCOMPARE(g.form->lblUFO[1]->Top(), before);
    // Slot 0 was relaunched during the pause and waits at the top.
    QCOMPARE(g.form->lblUFO[0]->Top(), 0.0f);
    g.tick();
    QCOMPARE(g.form->intBlueTicks(), 0);
    QCOMPARE(g.form->timScrool->Tag, QString());
    QCOMPARE(g.world.processes, QStringList{Down});
    QVERIFY(g.form->lblUFO[1]->Top() > before);
    QCOMPARE(g.form->lblUFO[0]->Top(), 80.0f);
}

void tst_game::secondBlueHitDoesNotExtendPause()
{
    GameFixture g;
    g.start(1);
    g.scriptLaunch(0, 3, 0, GameFixture::Blue);
    g.scriptLaunch(1, 3, 0, GameFixture::Blue);
    g.tick();
    g.enter(g.form->lblUFO[0]->Caption());
    g.tick(5);
    g.enter(g.form->lblUFO[1]->Caption());
    QCOMPARE(g.form->intBlueTicks(), 5);
    g.tick(6);
    QCOMPARE(g.form->intBlueTicks(), 11);
    g.tick();
    QCOMPARE(g.form->timScrool->Tag, QString());
    QCOMPARE(g.form->lblUFO[0]->Top(), 80.0f);
}

void tst_game::pauseCarriesIntoNextGame()
{
    GameFixture g;
    g.start(1);
    g.scriptLaunch(0, 3, 0, GameFixture::Blue);
    g.tick();
    g.enter(g.form->lblUFO[0]->Caption());
    g.tick(3);
    g.form->cmdExit_Click();
    QCOMPARE(g.form->timScrool->Tag, QStringLiteral("Blue"));
    g.start(1);
    g.tick(8);
    QCOMPARE(g.form->lblUFO[0]->Top(), 0.0f);
    QVERIFY(!g.form->lblUFO[0]->Caption().isEmpty());
    g.tick();
    QCOMPARE(g.form->lblUFO[0]->Top(), 80.0f);
}

void tst_game::equalQuestionsAreHitOneAtATime()
{
    GameFixture g({{"a"}, {QStringLiteral("同じ")}, {"a"}, {"a"}}, true);
    g.start(1);
    g.tick();
    g.world.processes.clear();
    g.enter(QStringLiteral("同じ"));
    QCOMPARE(g.form->lblUFO[0]->Caption(), QString());
    QCOMPARE(g.form->lblUFO[1]->Caption(), QStringLiteral("同じ"));
    QCOMPARE(g.form->txtInput->text(), QString());
    g.enter(QStringLiteral("同じ"));
    QCOMPARE(g.form->lblUFO[1]->Caption(), QString());
    QCOMPARE(g.world.processes, QStringList({OK, OK}));
}

void tst_game::misses_data()
{
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("typed");
    QTest::newRow("letter case") << "abc" << "ABC";
    QTest::newRow("full-width letters") << "abc" << QStringLiteral("ａｂｃ");
    QTest::newRow("trailing blank") << "abc" << "abc ";
    QTest::newRow("katakana for hiragana") << QStringLiteral("ねこ") << QStringLiteral("ネコ");
    QTest::newRow("empty box") << "abc" << "";
    QTest::newRow("full-width tilde for tilde") << "~" << QStringLiteral("～");
    QTest::newRow("wave dash for tilde") << "~" << QStringLiteral("〜");
    QTest::newRow("half-width katakana") << QStringLiteral("ア") << QStringLiteral("ｱ");
}

void tst_game::misses()
{
    QFETCH(QString, question);
    QFETCH(QString, typed);
    GameFixture g({{question}, {"x"}, {"x"}, {"x"}}, true);
    g.start(0);
    g.pressEnter(); // before the first tick every slot is free: a miss too
    g.tick();
    g.world.processes.clear();
    g.enter(typed);
    QCOMPARE(g.world.processes, QStringList{NG});
    QCOMPARE(g.form->lblUFO[0]->Caption(), question);
    QCOMPARE(g.form->txtInput->text(), typed);
    QCOMPARE(g.form->lngPoint(), 0);
}

void tst_game::lookAlikesHitAsTheirCodePage932Form_data()
{
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("utf8File"); // else the question file is code page 932
    QTest::newRow("wave dash (Mozc's ~)") << QStringLiteral("ね～") << QStringLiteral("ね〜") << false;
    QTest::newRow("yen sign for backslash") << QStringLiteral("C:\\") << QStringLiteral("C:¥") << false;
    QTest::newRow("minus sign") << QStringLiteral("－1") << QStringLiteral("−1") << false;
    QTest::newRow("double vertical bar") << QStringLiteral("∥") << QStringLiteral("‖") << false;
    QTest::newRow("overline") << QStringLiteral("a~b") << QStringLiteral("a‾b") << false;
    QTest::newRow("the code page's own characters") << QStringLiteral("～\\－∥~") << QStringLiteral("～\\－∥~") << false;
    QTest::newRow("UTF-8 file: look-alikes typed as written") << QStringLiteral("ね〜−1") << QStringLiteral("ね〜−1")
                                                              << true;
    QTest::newRow("UTF-8 file: a character the code page lacks, typed as written")
        << QStringLiteral("🍣") << QStringLiteral("🍣") << true;
}

void tst_game::lookAlikesHitAsTheirCodePage932Form()
{
    QFETCH(QString, question);
    QFETCH(QString, typed);
    QFETCH(bool, utf8File);
    GameFixture g({{question}, {"x"}, {"x"}, {"x"}}, true);
    if (utf8File) {
        TestFiles::write(g.dir.filePath("Mondai0.txt"), question.toUtf8() + "\n");
        g.form->Form_Load();
    }
    g.start(0);
    g.scriptLaunch(0, 1, 0.0f, GameFixture::Black);
    g.tick();
    g.world.processes.clear();
    g.enter(typed);
    QCOMPARE(g.world.processes, QStringList{OK});
    QCOMPARE(g.form->lblUFO[0]->Caption(), QString());
}

void tst_game::redHitClearsFieldAndScoresOnce()
{
    GameFixture g({}, true);
    g.start(3);
    g.scriptLaunch(0, 4, 0, GameFixture::Black);
    g.scriptLaunch(1, 4, 0, GameFixture::Black);
    g.scriptLaunch(2, 4, 0, GameFixture::Red);
    g.scriptLaunch(3, 4, 0, GameFixture::Black);
    g.tick();
    g.world.processes.clear();
    g.enter(g.form->lblUFO[2]->Caption());
    for (UfoLabel *ufo : g.form->lblUFO)
        QCOMPARE(ufo->Caption(), QString());
    QCOMPARE(g.world.processes, QStringList{RedCue});
    QCOMPARE(g.form->lngPoint(), (7215 - 80) / 10 + 1); // 713.5 rounds to 714
}

void tst_game::pointsRoundHalfToEven_data()
{
    QTest::addColumn<float>("firstTop");
    QTest::addColumn<int>("afterFirst");
    QTest::addColumn<int>("afterSecond");
    QTest::newRow("100 + 61.5") << 6215.0f << 100 << 162;
    QTest::newRow("101 + 61.5") << 6205.0f << 101 << 162;
    QTest::newRow("shot at the top") << 0.0f << 722 << 784; // 721.5 rounds to 722
}

void tst_game::pointsRoundHalfToEven()
{
    QFETCH(float, firstTop);
    QFETCH(int, afterFirst);
    QFETCH(int, afterSecond);
    GameFixture g;
    g.start(1);
    g.tick();
    g.form->lblUFO[0]->setTop(firstTop);
    g.enter(g.form->lblUFO[0]->Caption());
    QCOMPARE(g.form->lngPoint(), afterFirst);
    g.form->lblUFO[1]->setTop(7215 - 615);
    g.enter(g.form->lblUFO[1]->Caption());
    QCOMPARE(g.form->lngPoint(), afterSecond);
}

void tst_game::enterWhileIdleStartsGame()
{
    GameFixture g({}, true);
    g.form->optLevel[2]->setChecked(true);
    g.enter(QStringLiteral("ねこ"));
    QVERIFY(g.form->isPlaying());
    QCOMPARE(g.form->intLevel(), 2);
    QCOMPARE(g.form->timScrool->interval(), 400);
    QVERIFY(g.world.processes.isEmpty()); // starting plays nothing
    QCOMPARE(g.form->txtInput->text(), QStringLiteral("ねこ"));
}

void tst_game::practiceLandingOnlyClears()
{
    GameFixture g({}, true);
    g.start(0);
    g.tick();
    g.form->lblUFO[0]->setTop(7200);
    g.enter(g.form->lblUFO[0]->Caption()); // 1.5 rounds to 2
    QCOMPARE(g.form->lngPoint(), 2);
    g.tick(91);
    QVERIFY(g.form->isPlaying());
    QVERIFY(g.form->timScrool->isActive());
    QCOMPARE(g.form->lngPoint(), 2);
    QVERIFY(g.world.messages.isEmpty() && g.world.inputPrompts.isEmpty());
    QVERIFY(!g.world.processes.contains(HighScore));
    QCOMPARE(g.form->lblUFO[0]->Caption(), QString());
    g.tick();
    QVERIFY(!g.form->lblUFO[0]->Caption().isEmpty());
}

void tst_game::gameOverWithoutRank()
{
    GameFixture g({}, true);
    g.start(1);
    g.tick();
    bool idleWhenBoxOpened = false;
    g.world.onMessage = [&] {
        idleWhenBoxOpened = !g.form->timScrool->isActive() && g.form->cmdStart->isEnabled()
                            && g.form->cmdSetup->isEnabled() && g.form->optLevel[3]->isEnabled();
    };
    const QStringList captions{g.form->lblUFO[0]->Caption(), g.form->lblUFO[1]->Caption()};
    g.tick(100);
    QCOMPARE(g.world.messages, (QList<QPair<QString, QString>>{{"Geme Over", "Typhoros"}}));
    QVERIFY(idleWhenBoxOpened);
    QVERIFY(g.world.inputPrompts.isEmpty());
    QVERIFY(!g.world.processes.contains(HighScore));
    QVERIFY(!TestFiles::read(g.setup->iniFile()).contains("HiScore"));
    // The field freezes as it was.
    QCOMPARE(g.form->lblUFO[0]->Caption(), captions[0]);
    QVERIFY(g.form->lblUFO[1]->Visible());
    QVERIFY(g.form->lblUFO[1]->Top() > 7215);
}

void tst_game::gameOverWithRankAsksForName()
{
    GameFixture g({}, true);
    g.start(1);
    g.tick();
    g.enter(g.form->lblUFO[0]->Caption()); // (7215 - 80) / 10 = 713.5 -> 714
    QStringList processesAtPrompt;
    bool stillTicking = true;
    g.world.onInputBox = [&] {
        processesAtPrompt = g.world.processes;
        stillTicking = g.form->timScrool->isActive() || g.form->isPlaying();
    };
    g.world.inputAnswers = {QStringLiteral("ゆき")};
    g.tick(100);
    QVERIFY(g.world.messages.isEmpty());
    QCOMPARE(g.world.inputPrompts,
             (QList<QPair<QString, QString>>{{QStringLiteral("やるな！名前は？"), QStringLiteral("ハイスコア")}}));
    QVERIFY(!stillTicking);
    QCOMPARE(processesAtPrompt.mid(processesAtPrompt.size() - 2), QStringList({Down, HighScore}));
    QCOMPARE(g.setup->Score(1), 714);
    QCOMPARE(g.setup->ScoreHolder(1), QStringLiteral("ゆき"));
    QCOMPARE(g.form->lblScore[0]->text(), QStringLiteral("714"));
    QCOMPARE(g.form->lblScore[0]->toolTip(), QStringLiteral("2026/12/07 21:34:56 ゆき"));
    QCOMPARE(g.form->lblScore[1]->text(), QStringLiteral("0"));
    const QByteArray file = TestFiles::read(g.setup->iniFile());
    QVERIFY(file.contains("Score1=714\r\n"));
    QVERIFY(file.contains("Holder1=" + Cp932::encode(QStringLiteral("ゆき")) + "\r\n"));
    QVERIFY(file.contains("Date1=2026/12/07 21:34\r\n"));
}

void tst_game::cancelledNameLeavesHolderEmpty()
{
    GameFixture g;
    g.start(1);
    g.tick();
    g.enter(g.form->lblUFO[0]->Caption());
    g.tick(100); // no answer scripted: Cancel
    QCOMPARE(g.world.inputPrompts.size(), 1);
    QCOMPARE(g.form->lblScore[0]->toolTip(), QStringLiteral("2026/12/07 21:34:56 "));
    QVERIFY(!TestFiles::read(g.setup->iniFile()).contains("Holder1="));
    QCOMPARE(clsSetup(g.world, g.dir.path()).ScoreHolder(1), QStringLiteral("Err"));
}

void tst_game::oneLandingPerTick()
{
    GameFixture g;
    g.start(2);
    g.tick();
    for (int i = 0; i < 3; ++i)
        g.form->lblUFO[i]->setTop(7200);
    g.enter(g.form->lblUFO[2]->Caption()); // 1.5 -> 2 points: enough to rank
    g.tick();
    QCOMPARE(g.world.inputPrompts.size() + g.world.messages.size(), 1);
    QCOMPARE(g.setup->Score(1), 2);
    QCOMPARE(g.setup->Score(2), 0);
}

void tst_game::exitButtonDuringGame()
{
    GameFixture g;
    QSignalSpy ended(g.form.get(), &frmMain::programEnded);
    g.start(3);
    g.tick(3);
    g.enter(g.form->lblUFO[0]->Caption());
    QVERIFY(g.form->lngPoint() > 0);
    const float top = g.form->lblUFO[1]->Top();
    g.form->txtInput->setText("typed");
    g.form->cmdExit_Click();
    QCOMPARE(ended.count(), 0);
    QVERIFY(!g.form->isPlaying());
    QVERIFY(!g.form->timScrool->isActive());
    QVERIFY(g.form->cmdSetup->isEnabled());
    QCOMPARE(g.form->lblUFO[1]->Top(), top);
    QVERIFY(g.form->lblUFO[1]->Visible());
    QCOMPARE(g.form->txtInput->text(), QStringLiteral("typed"));
    QVERIFY(g.world.messages.isEmpty() && g.world.inputPrompts.isEmpty());
    QCOMPARE(g.setup->Score(1), 0);
    g.form->cmdExit_Click();
    QCOMPARE(ended.count(), 1);
}

void tst_game::emptyQuestionsLeaveSlotsFree()
{
    GameFixture g({{""}, {"", ""}, {""}, {""}});
    g.start(1);
    const int before = g.world.draws;
    g.tick();
    QCOMPARE(g.world.draws - before, 2 * 3 + (g.form->lblUFO[0]->ForeColor() == frmMain::Red ? 0 : 1)
                                         + (g.form->lblUFO[1]->ForeColor() == frmMain::Red ? 0 : 1));
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(g.form->lblUFO[i]->Caption(), QString());
        QCOMPARE(g.form->lblUFO[i]->Top(), 0.0f); // not moved
    }
    g.tick(200);
    QVERIFY(g.form->isPlaying());
}

void tst_game::cueCommandLines()
{
    GameFixture g({}, true);
    g.start(2);
    g.scriptLaunch(0, 3, 0, GameFixture::Black);
    g.scriptLaunch(1, 3, 0, GameFixture::Blue);
    g.scriptLaunch(2, 3, 0, GameFixture::Red);
    g.tick();
    g.enter(QStringLiteral("nothing"));
    g.enter(g.form->lblUFO[0]->Caption());
    g.enter(g.form->lblUFO[1]->Caption());
    g.enter(g.form->lblUFO[2]->Caption());
    QCOMPARE(g.world.processes, QStringList({Down, NG, OK, BlueCue, RedCue}));
}

void tst_game::soundOffStartsNothing()
{
    GameFixture g;
    g.start(2);
    g.scriptLaunch(0, 3, 0, GameFixture::Black);
    g.scriptLaunch(1, 3, 0, GameFixture::Blue);
    g.scriptLaunch(2, 3, 0, GameFixture::Red);
    g.tick(2);
    g.enter("nothing");
    for (int i = 0; i < 3; ++i)
        g.enter(g.form->lblUFO[i]->Caption());
    g.world.inputAnswers = {QStringLiteral("x")};
    g.tick(200);
    QCOMPARE(g.world.inputPrompts.size(), 1);
    QVERIFY(g.world.processes.isEmpty());
    // Switching sound on applies from the very next cue.
    g.setup->setSoundOnOff(true);
    g.start(0);
    g.tick();
    QCOMPARE(g.world.processes, QStringList{Down});
}

void tst_game::failingPlayerIsIgnored()
{
    GameFixture g({}, true);
    g.world.processStartSucceeds = false;
    g.start(1);
    g.tick();
    g.enter(g.form->lblUFO[0]->Caption());
    g.tick(100);
    QVERIFY(g.world.messages.isEmpty());
    QCOMPARE(g.world.inputPrompts.size(), 1);
}

void tst_game::inputMethodEnterNeverShoots()
{
    GameFixture g({}, true);
    AnswerBox *box = g.form->txtInput;
    // Idle: the Enter that confirms a conversion must not start a game.
    QInputMethodEvent preedit(QStringLiteral("ねこ"), {});
    QApplication::sendEvent(box, &preedit);
    QVERIFY(box->isComposing());
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(!g.form->isPlaying());
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("猫"));
    QApplication::sendEvent(box, &commit);
    QVERIFY(!box->isComposing());
    QCOMPARE(box->text(), QStringLiteral("猫"));

    // Playing: the conversion's Enter neither shoots nor misses.
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(g.form->isPlaying());
    g.tick();
    box->clear();
    g.world.processes.clear();
    QInputMethodEvent typing(g.form->lblUFO[0]->Caption(), {});
    QApplication::sendEvent(box, &typing);
    QTest::keyClick(box, Qt::Key_Enter);
    QVERIFY(g.world.processes.isEmpty());
    QInputMethodEvent done;
    done.setCommitString(g.form->lblUFO[0]->Caption());
    QApplication::sendEvent(box, &done);
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier); // modifiers do not matter
    QCOMPARE(g.world.processes, QStringList{OK});
    QCOMPARE(box->text(), QString());
}

void tst_game::wholeGameWithRealKeys()
{
    GameFixture g({}, true);
    AnswerBox *box = g.form->txtInput;
    QTest::mouseClick(g.form->optLevel[1], Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(g.form->isPlaying());
    QCOMPARE(g.form->intLevel(), 1);
    g.tick(3);
    // Type the first invader's question one character at a time.
    for (QChar c : g.form->lblUFO[0]->Caption())
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(g.form->lngPoint() > 0);
    g.world.inputAnswers = {QStringLiteral("たろう")};
    for (int t = 0; t < 200 && g.form->isPlaying(); ++t)
        g.tick();
    QVERIFY(!g.form->isPlaying());
    QCOMPARE(g.world.inputPrompts.size(), 1);
    QCOMPARE(g.form->lblScore[0]->text(), QString::number(g.form->lngPoint()));
    QVERIFY(g.form->lblScore[0]->toolTip().endsWith(QStringLiteral(" たろう")));
    // Enter after the game over starts the next one.
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(g.form->isPlaying());
}

void tst_game::startFocusesTheAnswerBoxAndOnlyEnterShoots()
{
    GameFixture g({}, true);
    g.form->show();
    QVERIFY(QTest::qWaitForWindowActive(g.form.get()));
    // The click gives the focus to the button; the start gives it to the
    // answer box, where a Space types instead of pressing a button.
    QTest::mouseClick(g.form->cmdStart, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), g.form->txtInput);
    g.pressEnter(); // before the first tick nothing is in play: a miss
    QCOMPARE(g.world.processes, QStringList{NG});
    g.tick();
    g.world.processes.clear();
    const QString question = g.form->lblUFO[0]->Caption();
    g.form->txtInput->setText(question);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_F1, Qt::Key_Up, Qt::Key_Home, Qt::Key_Insert})
        QTest::keyClick(g.form->txtInput, key);
    QVERIFY(g.world.processes.isEmpty());
    QCOMPARE(g.form->lblUFO[0]->Caption(), question);
    // The box has no length limit of its own.
    g.form->txtInput->setText(QString(40000, QLatin1Char('a')));
    QCOMPARE(g.form->txtInput->text().size(), 40000);
}

QTEST_MAIN(tst_game)
#include "tst_game.moc"
