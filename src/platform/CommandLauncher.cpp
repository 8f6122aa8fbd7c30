// SPDX-License-Identifier: MIT
// posix_spawn-based process start: about half a millisecond on the window
// thread, where QProcess::startDetached waits for the exec and costs ~6 ms.
#include "CommandLauncher.h"

#include "GameEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>


namespace {

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

CommandLauncher::CommandLauncher(const QString &programDirectory, QObject *parent)
    : QObject(parent), m_programDirectory(programDirectory)
{
    // Children that end between two starts are reaped by this slow sweep, so
    // no zombie outlives the cue by more than a second.
    m_reaper.setInterval(1000);
    connect(&m_reaper, &QTimer::timeout, this, &CommandLauncher::reap);
}

QStringList CommandLauncher::splitCommandLine(const QString &commandLine)
{
    return commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString CommandLauncher::resolve(const QString &program) const
{
    if (program.contains(QLatin1Char('/')))
        return isExecutableFile(program) ? program : QString();
    const QString own = QDir(m_programDirectory).filePath(program);
    if (isExecutableFile(own))
        return own;
    const QString path = QString::fromLocal8Bit(qgetenv("PATH"));
    for (const QString &dir : path.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        // A relative entry ("." or "bin") means the current directory: skip it,
        // so that a program planted where the game was started never runs.
        if (!QDir::isAbsolutePath(dir))
            continue;
        const QString candidate = QDir(dir).filePath(program);
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

bool CommandLauncher::start(const QString &commandLine)
{
    reap();
    const QStringList fields = splitCommandLine(commandLine);
    if (fields.isEmpty())
        return false;
    const QString program = resolve(fields.first());
    if (program.isEmpty())
        return false;

    QList<QByteArray> args;
    args.reserve(fields.size());
    args.append(QFile::encodeName(program));
    for (qsizetype i = 1; i < fields.size(); ++i)
        args.append(fields[i].toLocal8Bit());
    QList<char *> argv;
    for (QByteArray &a : args)
        argv.append(a.data());
    argv.append(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    QList<QByteArray> variables = GameEnvironment::forChildren();
    QList<char *> envp;
    envp.reserve(variables.size() + 1);
    for (QByteArray &v : variables)
        envp.append(v.data());
    envp.append(nullptr);

    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv.first(), &actions, &attr, argv.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;

    m_children.append(pid);
    if (!m_reaper.isActive())
        m_reaper.start();
    return true;
}

void CommandLauncher::reap()
{
    // Only our own children are waited for: a waitpid(-1) would also take
    // the children of QProcess and anything else in the program.
    m_children.removeIf([](pid_t pid) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
    if (m_children.isEmpty())
        m_reaper.stop();
}
