// SPDX-License-Identifier: MIT
// The real outside world: the random generator, the clock, posix_spawn,
// Qt's modal boxes and the desktop's URL handler.
#pragma once

#include "CommandLauncher.h"
#include "RandomSource.h"
#include "World.h"

class SystemWorld : public World
{
public:
    // Programs are looked up in `programDirectory` before PATH.
    explicit SystemWorld(const QString &programDirectory);

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
    RandomSource m_random;
    CommandLauncher m_launcher;
};
