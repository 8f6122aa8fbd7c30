// SPDX-License-Identifier: MIT
// The folder lock, on flock(2).
#include "FolderLock.h"

#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

FolderLock::FolderLock(const QString &file, int waitMs)
{
    const QString target = AtomicFile::target(file);
    const QByteArray folder = QFile::encodeName(QFileInfo(target.isEmpty() ? file : target).absolutePath());
    m_fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    // Polled rather than blocking, so that a holder that never lets go (a
    // stopped game) costs the others a moment, not their game.
    for (int waited = 0;; waited += 5) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return;
        if (waited >= waitMs) {
            m_busy = true;
            return;
        }
        const timespec pause{0, 5'000'000};
        ::nanosleep(&pause, nullptr);
    }
}

FolderLock::~FolderLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
