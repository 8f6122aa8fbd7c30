// SPDX-License-Identifier: MIT
// Crash-safe file replacement with POSIX calls: mkstemp, fsync, rename.
#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Temporary files are named `<file>.tmp-<random>` beside their file. Each
// carries an exclusive flock from before it has a name until its writer is
// done, so a named one that can be locked belongs to a writer that died.
const char TempInfix[] = ".tmp-";

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

mode_t modeForNewFile()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Overwrites `target` from its first byte, in a folder where no new file
// can be made. Room for the new length is reserved before the first byte is
// overwritten, so that a full disk leaves the file as it was; the file is
// shrunk to the new length afterwards.
bool writeInPlace(const QByteArray &target, QByteArrayView bytes)
{
    // Read as well as write: where the file system cannot reserve room
    // itself, posix_fallocate does so by reading and writing each block.
    const int fd = ::open(target.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && bytes.size() > st.st_size && ::posix_fallocate(fd, 0, off_t(bytes.size())) != 0) {
        // Whatever the attempt reserved goes again (should even that fail,
        // the old bytes are still whole, only followed by zeros).
        const bool shrunk = ::ftruncate(fd, st.st_size) == 0;
        Q_UNUSED(shrunk)
        ok = false;
    }
    ok = ok && writeAll(fd, bytes.data(), bytes.size()) && ::ftruncate(fd, off_t(bytes.size())) == 0
         && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// A named temporary file beside `target`, holding `bytes` with `mode`,
// flushed; its name in `temp`. False, leaving nothing behind, when it
// cannot be made.
// The file stays open and locked in `fd` until the caller closes it.
bool writeNamedTemporary(int &fd, QByteArray &temp, const QByteArray &target, mode_t mode, QByteArrayView bytes)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        temp = target + TempInfix + "XXXXXX";
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat st {};
        // Another writer may have taken it for a dead one's before we locked it.
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0)
            break;
        ::close(fd);
        fd = -1;
    }
    if (fd < 0)
        return false;
    if (::fchmod(fd, mode) == 0 && writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0)
        return true;
    ::unlink(temp.constData());
    ::close(fd);
    fd = -1;
    return false;
}

// Writes `bytes` into an unnamed file in `dir` and names it beside `target`
// (the name in `temp`); the file stays open and locked in `fd` until the
// caller closes it. False, leaving nothing behind, when the file system has
// no unnamed files or the name cannot be given (no /proc).
bool writeUnnamedTemporary(int &fd, QByteArray &temp, const QByteArray &dir, const QByteArray &target, mode_t mode,
                           QByteArrayView bytes)
{
    fd = ::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = ::flock(fd, LOCK_EX) == 0 && ::fchmod(fd, mode) == 0 && writeAll(fd, bytes.data(), bytes.size())
              && ::fsync(fd) == 0;
    if (ok) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        ok = false;
        for (int attempt = 0; attempt < 10 && !ok; ++attempt) {
            temp = target + TempInfix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
            ok = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) == 0;
            if (!ok && errno != EEXIST)
                break;
        }
    }
    if (!ok) {
        ::close(fd);
        fd = -1;
    }
    return ok;
}

// Removes the temporary files of `target` that writers killed between
// naming and renaming them left in `dir`: those nobody holds locked.
void removeStaleTemporaries(const QByteArray &dir, const QByteArray &target)
{
    const QByteArray prefix = target.mid(target.lastIndexOf('/') + 1) + TempInfix;
    DIR *d = ::opendir(dir.constData());
    if (d == nullptr)
        return;
    const int dirFd = ::dirfd(d);
    while (const dirent *entry = ::readdir(d)) {
        if (std::strncmp(entry->d_name, prefix.constData(), size_t(prefix.size())) != 0)
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held {}, named {};
        // Still the file we locked under that name, not a newer one.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode)
            && ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == held.st_dev
            && named.st_ino == held.st_ino)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(d);
}

void syncDirectory(const QByteArray &dir)
{
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

namespace AtomicFile {

QString target(const QString &path)
{
    QString file = path;
    // As many hops as the kernel follows before it gives up with ELOOP.
    for (int hop = 0; hop <= 40; ++hop) {
        const QFileInfo info(file);
        if (!info.isSymLink())
            return file;
        file = info.symLinkTarget();
    }
    return {};
}

bool write(const QString &path, QByteArrayView bytes)
{
    const QString resolved = target(path);
    if (resolved.isEmpty())
        return false;
    const QByteArray target = QFile::encodeName(resolved);
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return false;
    const QByteArray dir = QFile::encodeName(QFileInfo(resolved).absolutePath());
    if (::access(dir.constData(), W_OK) != 0)
        return exists && writeInPlace(target, bytes);
    const mode_t mode = exists ? (st.st_mode & 07777) : modeForNewFile();

    // A writer killed between naming its file and renaming it leaves that
    // file; the next write takes it away, so none accumulate.
    removeStaleTemporaries(dir, target);

    // Preferably an unnamed file, which a crash cannot leave behind; it gets
    // a name only for the moment before the rename.
    QByteArray temp;
    int fd = -1;
    if (!writeUnnamedTemporary(fd, temp, dir, target, mode, bytes)
        && !writeNamedTemporary(fd, temp, target, mode, bytes))
        return false;
    const bool renamed = ::rename(temp.constData(), target.constData()) == 0;
    if (!renamed)
        ::unlink(temp.constData());
    // Closing drops the lock only now that the name is gone.
    ::close(fd);
    if (renamed)
        syncDirectory(dir);
    return renamed;
}

} // namespace AtomicFile
