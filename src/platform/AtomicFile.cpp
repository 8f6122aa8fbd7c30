// SPDX-License-Identifier: MIT
// Crash-safe file replacement with POSIX calls: mkstemp, fsync, rename.
#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

// The file a write to `path` must change: `path` itself, or the file its
// symbolic link names (even when that does not exist yet).
QString resolveLinks(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? info.symLinkTarget() : target;
}

bool writeInPlace(const QByteArray &target, QByteArrayView bytes)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, bytes.data(), bytes.size()) && ::ftruncate(fd, off_t(bytes.size())) == 0
                    && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// A named temporary file beside `target`, holding `bytes` with `mode`,
// flushed; its name in `temp`. False, leaving nothing behind, when it
// cannot be made.
bool writeNamedTemporary(QByteArray &temp, const QByteArray &target, mode_t mode, QByteArrayView bytes)
{
    temp = target + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    if (::close(fd) == 0 && ok)
        return true;
    ::unlink(temp.constData());
    return false;
}

// Writes `bytes` into an unnamed file in `dir` and names it beside `target`
// (the name in `temp`). False, leaving nothing behind, when the file system
// has no unnamed files or the name cannot be given (no /proc).
bool writeUnnamedTemporary(QByteArray &temp, const QByteArray &dir, const QByteArray &target, mode_t mode,
                           QByteArrayView bytes)
{
    const int fd = ::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    if (ok) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        ok = false;
        for (int attempt = 0; attempt < 10 && !ok; ++attempt) {
            temp = target + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
            ok = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) == 0;
            if (!ok && errno != EEXIST)
                break;
        }
    }
    if (::close(fd) != 0 && ok) {
        ::unlink(temp.constData());
        ok = false;
    }
    return ok;
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

bool write(const QString &path, QByteArrayView bytes)
{
    const QString resolved = resolveLinks(path);
    const QByteArray target = QFile::encodeName(resolved);
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return false;
    const QByteArray dir = QFile::encodeName(QFileInfo(resolved).absolutePath());
    if (::access(dir.constData(), W_OK) != 0)
        return exists && writeInPlace(target, bytes);
    const mode_t mode = exists ? (st.st_mode & 07777) : modeForNewFile();

    // Preferably an unnamed file, which a crash cannot leave behind; it gets
    // a name only for the moment before the rename.
    QByteArray temp;
    if (!writeUnnamedTemporary(temp, dir, target, mode, bytes) && !writeNamedTemporary(temp, target, mode, bytes))
        return false;
    if (::rename(temp.constData(), target.constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    syncDirectory(dir);
    return true;
}

} // namespace AtomicFile
