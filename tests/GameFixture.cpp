// SPDX-License-Identifier: MIT
// The game-window test fixture.
#include "GameFixture.h"

#include "forms/AnswerBox.h"
#include "forms/GameTimer.h"
#include "forms/UfoLabel.h"

#include "TestFiles.h"

#include <QRadioButton>

GameFixture::GameFixture(const QList<QStringList> &questions, bool sound, const QByteArray &settingsFile)
    : m_questions(questions.isEmpty() ? defaultQuestions() : questions)
{
    TestFiles::writeQuestionFiles(dir.path(), m_questions);
    if (!settingsFile.isEmpty())
        TestFiles::write(dir.filePath("Typhoros.ini"), settingsFile);
    setup = std::make_unique<clsSetup>(world, dir.path());
    if (sound)
        setup->setSoundOnOff(true);
    form = std::make_unique<frmMain>(world, *setup, dir.path());
    form->Form_Load();
}

QList<QStringList> GameFixture::defaultQuestions()
{
    return {
        {QStringLiteral("ねこ"), QStringLiteral("さくら"), QStringLiteral("ひこうき")},
        {QStringLiteral("テレビ"), QStringLiteral("コーヒー"), QStringLiteral("abc")},
        {QStringLiteral("電車"), QStringLiteral("図書館"), QStringLiteral("天気予報")},
        {QStringLiteral("一期一会"), QStringLiteral("温故知新"), QStringLiteral("試行錯誤"), QStringLiteral("CPUの温度")},
    };
}

void GameFixture::scriptLaunch(int questionIndex, int bankSize, float stepR, Kind kind)
{
    world.script.push_back((questionIndex + 0.5f) / float(bankSize));
    world.script.push_back(stepR);
    switch (kind) {
    case Red:
        world.script.push_back(0.05f);
        break;
    case Blue:
        world.script.push_back(0.5f);
        world.script.push_back(0.05f);
        break;
    case Black:
        world.script.push_back(0.5f);
        world.script.push_back(0.5f);
        break;
    }
}

void GameFixture::start(int level)
{
    form->optLevel[level]->setChecked(true);
    form->cmdStart_Click();
}

void GameFixture::tick(int times)
{
    // As the real timer would: no tick once the game has stopped it.
    for (int i = 0; i < times && form->timScrool->isActive(); ++i)
        form->timScrool_Timer();
}

void GameFixture::enter(const QString &text)
{
    form->txtInput->setText(text);
    pressEnter();
}

void GameFixture::pressEnter()
{
    qint16 key = 13, shift = 0;
    form->txtInput_KeyDown(key, shift);
}
