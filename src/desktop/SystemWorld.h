// SPDX-License-Identifier: MIT
// The real outside world: the random generator, the clock, posix_spawn,
// Qt's modal boxes and the desktop's URL handler.
#pragma once

#include "platform/CommandLauncher.h"
#include "platform/RandomSource.h"
#include "platform/World.h"

#include <QPointer>
#include <memory>

class ModalInputRouter;
class QInputDialog;
class QMessageBox;
class QWidget;

class SystemWorld : public World
{
public:
    // Programs are looked up in `programDirectory` before PATH.
    explicit SystemWorld(const QString &programDirectory);
    ~SystemWorld() override;

    void randomize() override;
    float rnd() override;
    QDateTime now() override;
    bool startProcess(const QString &commandLine) override;
    void msgBox(const QString &prompt, const QString &title) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText) override;
    int execDialog(QDialog &dialog) override;
    void openUrl(const QUrl &url) override;

    // The game window, once it exists: every box opened from then on belongs
    // to it (transient for it and modal), and while a modal box is open, the
    // keys and input-method text the window system sends to the game window
    // (after a click on it, the task switcher) go to the box, which is asked
    // to come back to the top.
    void setOwnerWindow(QWidget *window);

    // The boxes msgBox and inputBox run, made but not shown.
    std::unique_ptr<QMessageBox> makeMessageBox(const QString &prompt, const QString &title) const;
    std::unique_ptr<QInputDialog> makeInputDialog(const QString &prompt, const QString &title,
                                                  const QString &defaultText) const;

private:
    QPointer<QWidget> m_owner;
    RandomSource m_random;
    CommandLauncher m_launcher;
    std::unique_ptr<ModalInputRouter> m_router;
};
