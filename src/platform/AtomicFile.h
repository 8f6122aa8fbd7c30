// SPDX-License-Identifier: MIT
// Whole-file replacement that survives a crash or a power loss: the reader
// finds either the old content or the new one, never a torn file.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace AtomicFile {

// Replaces the file at `path` with `bytes`: writes an unnamed temporary file
// in the same directory (a named one where the file system or a missing
// /proc does not allow it), flushes it to disk, names it, renames it over
// `path` and flushes the directory. A crash leaves the old or the new file,
// and a stray temporary file (`<name>.tmp-<random>`) only if it strikes in
// the instant between naming and renaming; the next write removes it. The
// file keeps its permissions (a new one gets 0666 less the umask). A
// symbolic link is written through: the file at the end of its chain is
// replaced and the links stay; a loop of links fails the write with nothing
// replaced. An existing file in a directory that may not be written is
// updated in place instead, whole and flushed, with room for the new length
// reserved first, so that a full disk leaves it as it was (not crash-safe,
// but the only way there). Returns false, leaving `path` untouched and no
// temporary file behind, when any step fails (read-only directory without
// the file, `path` is a directory, disk full...).
bool write(const QString &path, QByteArrayView bytes);

// The file a write to `path` changes: `path` itself, or the file at the end
// of its chain of symbolic links (even when that does not exist yet). Empty
// for a chain that never ends (a loop).
QString target(const QString &path);

} // namespace AtomicFile
