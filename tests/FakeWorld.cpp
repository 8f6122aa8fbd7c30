// SPDX-License-Identifier: MIT
// The scripted outside world.
#include "FakeWorld.h"

#include <QDialog>

FakeWorld::FakeWorld() : clock(QDate(2026, 12, 7), QTime(21, 34, 56)) {}

void FakeWorld::randomize()
{
    ++randomizeCalls;
}

float FakeWorld::rnd()
{
    ++draws;
    if (!script.empty()) {
        const float r = script.front();
        script.pop_front();
        return r;
    }
    return m_random.next();
}

QDateTime FakeWorld::now()
{
    return clock;
}

bool FakeWorld::startProcess(const QString &commandLine)
{
    processes.append(commandLine);
    return processStartSucceeds;
}

void FakeWorld::msgBox(const QString &prompt, const QString &title)
{
    messages.append({prompt, title});
    if (onMessage)
        onMessage();
}

std::optional<QString> FakeWorld::inputBox(const QString &prompt, const QString &title, const QString &)
{
    inputPrompts.append({prompt, title});
    if (onInputBox)
        onInputBox();
    if (inputAnswers.empty())
        return std::nullopt;
    const std::optional<QString> answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

int FakeWorld::execDialog(QDialog &dialog)
{
    ++dialogs;
    return onDialog ? onDialog(dialog) : QDialog::Rejected;
}

void FakeWorld::openUrl(const QUrl &url)
{
    urls.append(url);
}
