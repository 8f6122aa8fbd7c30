// SPDX-License-Identifier: MIT
// The writers' lock, on flock(2).
#include "WriterLock.h"

#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

// The lock file `path` in the folder `folder`, which the player may write,
// opened; -1 when it cannot be.
int openLockFile(const QByteArray &folder, const QByteArray &path, WriterLock::Use use)
{
    constexpr int Flags = O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(path.constData(), Flags);
    if (fd < 0 && errno == ENOENT && use == WriterLock::Use::Write) {
        struct stat dir {};
        if (::stat(folder.constData(), &dir) != 0)
            return -1;
        // Whoever may replace the file may lock it, and nobody else may open
        // the lock file at all: a lock anyone could hold would let anyone
        // keep a player's score from being written.
        const mode_t mode = S_IRUSR | S_IWUSR | ((dir.st_mode & S_IWGRP) ? S_IRGRP | S_IWGRP : 0)
                            | ((dir.st_mode & S_IWOTH) ? S_IROTH | S_IWOTH : 0);
        fd = ::open(path.constData(), Flags | O_CREAT | O_EXCL, mode);
        if (fd >= 0)
            ::fchmod(fd, mode); // the umask may have taken bits off
        else if (errno == EEXIST)
            fd = ::open(path.constData(), Flags); // another game made it first
    }
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}

} // namespace

WriterLock::WriterLock(const QString &file, Use use, int waitMs)
{
    const QString target = AtomicFile::target(file);
    const QFileInfo info(target.isEmpty() ? file : target);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray path = QFile::encodeName(info.absoluteFilePath());
    if (::access(folder.constData(), W_OK) == 0) {
        m_fd = openLockFile(folder, QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                                       + QStringLiteral(".lock")),
                            use);
    } else if (::access(path.constData(), W_OK) == 0) {
        m_fd = ::open(path.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    }
    if (m_fd < 0)
        return;
    // Polled rather than blocking, so that a holder that never lets go (a
    // stopped game) costs the others a moment, not their game.
    for (int waited = 0;; waited += 5) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        if (waited >= waitMs) {
            m_busy = true;
            return;
        }
        const timespec pause{0, 5'000'000};
        ::nanosleep(&pause, nullptr);
    }
}

WriterLock::~WriterLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
