// SPDX-License-Identifier: MIT
// Everything the game does to the world outside its windows: random numbers,
// the clock, starting programs, modal boxes and dialogs, opening an address.
// The program hands the forms the real one; tests hand them a fake.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

class QDialog;
class QUrl;

class World
{
public:
    virtual ~World() = default;

    // Reseeds the random generator from the clock.
    virtual void randomize() = 0;

    // The next random value, 0 <= r < 1, single precision.
    virtual float rnd() = 0;

    // The current local date and time, to the second.
    virtual QDateTime now() = 0;

    // Starts `commandLine` (program name and arguments separated by blanks)
    // as a separate process without waiting for it. Returns false when the
    // program could not be started.
    virtual bool startProcess(const QString &commandLine) = 0;

    // A modal message box with `prompt`, an OK button and no icon.
    virtual void msgBox(const QString &prompt, const QString &title) = 0;

    // A modal input box. The typed text on OK, nothing on Cancel or close.
    virtual std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                            const QString &defaultText) = 0;

    // Runs `dialog` modally and returns its result code.
    virtual int execDialog(QDialog &dialog) = 0;

    // Opens `url` in the desktop's default handler; the result is ignored.
    virtual void openUrl(const QUrl &url) = 0;
};
