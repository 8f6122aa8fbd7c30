// Whole-file replacement that survives a crash or a power loss: the reader
// finds either the old content or the new one, never a torn file.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace AtomicFile {

// Replaces the file at `path` with `bytes`: writes a temporary file beside it,
// flushes it to disk, renames it over `path` and flushes the directory. The
// file keeps its permissions (a new one gets 0666 less the umask). Returns
// false, leaving `path` untouched and no temporary file behind, when any step
// fails (read-only directory, `path` is a directory, disk full...).
bool write(const QString &path, QByteArrayView bytes);

} // namespace AtomicFile
