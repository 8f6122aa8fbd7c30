// SPDX-License-Identifier: MIT
// A scripted outside world for tests: random values from a script (then from
// a fixed-seed generator), a settable clock, and recorded process starts,
// boxes, dialogs and addresses. No real modal box ever opens.
#pragma once

#include "platform/RandomSource.h"
#include "platform/World.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>

class FakeWorld : public World
{
public:
    FakeWorld();

    // Random values handed out before the fixed-seed generator takes over.
    std::deque<float> script;
    int randomizeCalls = 0;
    int draws = 0;

    QDateTime clock;

    QStringList processes;
    bool processStartSucceeds = true;

    QList<QPair<QString, QString>> messages; // prompt, title
    // Called when a message box opens.
    std::function<void()> onMessage;

    // Answers for input boxes, in order; an empty optional is Cancel. When
    // none is left the box answers Cancel.
    std::deque<std::optional<QString>> inputAnswers;
    QList<QPair<QString, QString>> inputPrompts; // prompt, title
    // Called when an input box opens (for checks of what happened before).
    std::function<void()> onInputBox;

    // Runs in place of a modal dialog; its result is the dialog's result.
    std::function<int(QDialog &)> onDialog;
    int dialogs = 0;

    QList<QUrl> urls;

    void randomize() override;
    float rnd() override;
    QDateTime now() override;
    bool startProcess(const QString &commandLine) override;
    void msgBox(const QString &prompt, const QString &title) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText) override;
    int execDialog(QDialog &dialog) override;
    void openUrl(const QUrl &url) override;

private:
    RandomSource m_random{12345u};
};
