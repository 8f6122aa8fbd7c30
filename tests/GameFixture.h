// SPDX-License-Identifier: MIT
// A game window on a temporary program folder with a scripted world, and the
// moves a test makes: start a level, tick, type and press Enter, script the
// random draws of a launch.
#pragma once

#include "classes/clsSetup.h"
#include "forms/frmMain.h"

#include "FakeWorld.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class GameFixture
{
public:
    enum Kind { Black, Red, Blue };

    // Question banks: `questions[level]` are the lines of Mondai<level>.txt;
    // an empty list stands for defaultQuestions().
    explicit GameFixture(const QList<QStringList> &questions = defaultQuestions(), bool sound = false,
                         const QByteArray &settingsFile = {});

    static QList<QStringList> defaultQuestions();

    // Scripts the draws of one launch: the question at `questionIndex` of a
    // bank of `bankSize`, the step fraction `stepR` and the kind.
    void scriptLaunch(int questionIndex, int bankSize, float stepR, Kind kind);

    void start(int level);
    // Runs up to `times` ticks, stopping when the game stops its timer.
    void tick(int times = 1);
    // Types `text` into the answer box and presses Enter.
    void enter(const QString &text);
    void pressEnter();

    // Draws each launch's question by index from level `level`'s bank.
    QString question(int level, int index) const { return m_questions[level][index]; }

    QTemporaryDir dir;
    FakeWorld world;
    std::unique_ptr<clsSetup> setup;
    std::unique_ptr<frmMain> form;

private:
    QList<QStringList> m_questions;
};
