// SPDX-License-Identifier: MIT
// The question bank.
#include "clsMondai.h"

#include "platform/Cp932.h"
#include "platform/Runtime.h"
#include "platform/RuntimeError.h"
#include "platform/World.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

clsMondai::clsMondai(World &world, const DataFolders &folders) : m_world(world), m_folders(folders)
{
}

namespace {

constexpr char16_t Replacement = 0xFFFD;

// `text` as the answer box holds it, each U+FFFD kept as it is (the best
// fit would turn it into "?", which would make a broken byte typeable).
QString foldedToCodePage(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype start = 0;;) {
        const qsizetype bad = text.indexOf(QChar(Replacement), start);
        const qsizetype end = bad < 0 ? text.size() : bad;
        out += Cp932::bestFit(text.sliced(start, end - start));
        if (bad < 0)
            return out;
        out += QChar(Replacement);
        start = bad + 1;
    }
}

} // namespace

QString clsMondai::decodeFile(QByteArrayView bytes)
{
    static constexpr QByteArrayView Mark("\xEF\xBB\xBF");
    if (bytes.startsWith(Mark))
        return foldedToCodePage(QString::fromUtf8(bytes.sliced(Mark.size())));
    // Code page 932 that is valid UTF-8 too is pure ASCII, which reads the
    // same either way, or made of rare byte runs (half-width katakana such as
    // ﾃｽ, C3 BD): a kana's lead byte, 0x82 or 0x83, cannot start a UTF-8
    // character, so Japanese text written on Windows practically never is.
    if (bytes.isValidUtf8())
        return foldedToCodePage(QString::fromUtf8(bytes));
    return Cp932::decode(bytes);
}

QStringList clsMondai::splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] != QLatin1Char('\r') && text[i] != QLatin1Char('\n'))
            continue;
        lines.append(text.sliced(start, i - start));
        if (text[i] == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.sliced(start));
    return lines;
}

void clsMondai::LoadMondai(const QString &strFileName)
{
    lngMondaiCount = 0;
    strMondai.clear();

    const QString path = m_folders.fileToRead(strFileName);
    const QByteArray name = QFile::encodeName(path);
    // Looked at through a descriptor that can neither read nor act (O_PATH),
    // so that anything but a regular file (a device, FIFO or socket, or a
    // link to one) is refused unopened: opening a device can act on it, a
    // serial port raising its lines. The file read is then the one looked
    // at, opened through that descriptor, never whatever the name may lead
    // to by then.
    const int probe = ::open(name.constData(), O_PATH | O_CLOEXEC);
    if (probe < 0) {
        throw RuntimeError(errno == ENOENT || errno == ENOTDIR ? RuntimeError::FileNotFound
                                                               : RuntimeError::PathFileAccessError,
                           path);
    }
    struct stat st {};
    int fd = -1;
    if (::fstat(probe, &st) == 0 && S_ISREG(st.st_mode)) {
        // Without blocking, should a FIFO be met all the same.
        constexpr int Flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        fd = ::open(QByteArray("/proc/self/fd/" + QByteArray::number(probe)).constData(), Flags);
        // Without /proc: the name once more, and only the same file is read.
        if (fd < 0 && errno == ENOENT)
            fd = ::open(name.constData(), Flags);
    }
    ::close(probe);
    struct stat opened {};
    if (fd < 0 || ::fstat(fd, &opened) != 0 || opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) {
        if (fd >= 0)
            ::close(fd);
        throw RuntimeError(RuntimeError::PathFileAccessError, path);
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw RuntimeError(RuntimeError::PathFileAccessError, path);
    }
    if (opened.st_size > MaxFileBytes)
        throw RuntimeError(RuntimeError::OutOfMemory, path);
    // The file may grow while it is read.
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw RuntimeError(RuntimeError::PathFileAccessError, path);
    if (bytes.size() > MaxFileBytes)
        throw RuntimeError(RuntimeError::OutOfMemory, path);

    strMondai = splitLines(decodeFile(bytes));
    lngMondaiCount = Runtime::checked32(strMondai.size());
}

QString clsMondai::GetMondai()
{
    const float r = m_world.rnd();
    if (lngMondaiCount == 0)
        return {};
    // r < 1, but r * count can round up to count for banks beyond 2^29 lines.
    const qint64 k = qMin<qint64>(qint64(Runtime::Int(double(r) * lngMondaiCount)), lngMondaiCount - 1);
    return strMondai.at(qsizetype(k));
}
