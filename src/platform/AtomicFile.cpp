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
    const QByteArray target = QFile::encodeName(path);
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return false;
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const mode_t mode = exists ? (st.st_mode & 07777) : modeForNewFile();

    // Preferably an unnamed file, which a crash cannot leave behind; it gets
    // a name only for the moment before the rename.
    bool unnamed = true;
    int fd = ::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    QByteArray temp = target + ".XXXXXX";
    if (fd < 0) {
        unnamed = false;
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0)
            return false;
    }

    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    if (ok && unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        ok = false;
        for (int attempt = 0; attempt < 10 && !ok; ++attempt) {
            temp = target + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
            ok = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) == 0;
            if (!ok && errno != EEXIST)
                break;
        }
    }
    const bool closed = ::close(fd) == 0;
    if (!ok || !closed || ::rename(temp.constData(), target.constData()) != 0) {
        if (ok || !unnamed)
            ::unlink(temp.constData());
        return false;
    }
    syncDirectory(dir);
    return true;
}

} // namespace AtomicFile
