// SPDX-License-Identifier: MIT
// Starts programs by command line, hidden and without waiting, cheaply enough
// for the window thread to do it several times a second.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <sys/types.h>

class CommandLauncher : public QObject
{
public:
    // Bare program names are looked up in `programDirectory` first, then on
    // PATH (absolute entries only, so never in the current directory).
    explicit CommandLauncher(const QString &programDirectory, QObject *parent = nullptr);

    // Splits `commandLine` on blanks (no shell, no quoting) and starts it with
    // the current directory and the environment inherited (less what the
    // game set for itself alone, GameEnvironment), standard streams on /dev/null, other
    // descriptors closed and a process group of its own. Does not wait: the
    // child outlives the game and is reaped once it ends. Returns false when
    // the line is empty, the program is not found or cannot be started.
    bool start(const QString &commandLine);

    // The path that `start` would run for `program`, or empty when none.
    QString resolve(const QString &program) const;

    // Splits a command line on blanks, dropping empty fields.
    static QStringList splitCommandLine(const QString &commandLine);

    // Children started and not yet reaped.
    qsizetype pendingChildren() const { return m_children.size(); }

    // Reaps every child that has ended; never blocks.
    void reap();

private:
    QString m_programDirectory;
    QList<pid_t> m_children;
    QTimer m_reaper;
};
