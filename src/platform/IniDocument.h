// SPDX-License-Identifier: MIT
// A sectioned settings (INI) file in code page 932, read and edited the way
// Windows' private profile functions do, keeping every untouched line byte for
// byte.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

class IniDocument
{
public:
    // An empty document (as for a missing file).
    IniDocument() = default;

    // Parses `bytes`; line ends may be CR LF, LF or CR.
    static IniDocument fromBytes(const QByteArray &bytes);

    // Reads the file at `path`. A missing, unreadable or non-regular file gives
    // an empty document; this never fails.
    static IniDocument load(const QString &path);

    // The raw value of `key` in `section`: names match case-insensitively and
    // ignore surrounding blanks, the first of duplicate sections and keys wins,
    // blanks around the value are dropped and matching quotes removed.
    // Empty when the section or key is missing.
    std::optional<QByteArray> rawValue(const QString &section, const QString &key) const;

    // The value as text, like GetPrivateProfileString into a buffer of
    // `bufferSize` characters: at most bufferSize - 1 bytes are kept, cut at a
    // character boundary. `defaultValue` is returned (cut the same way) when
    // the key is missing.
    QString string(const QString &section, const QString &key, const QString &defaultValue,
                   int bufferSize = 256) const;

    // The value as a 32-bit integer, like GetPrivateProfileInt: optional
    // blanks, an optional sign and the leading decimal digits; no digits read
    // 0; values beyond the 32-bit range read as the nearest limit.
    // `defaultValue` when the key is missing.
    qint32 integer(const QString &section, const QString &key, qint32 defaultValue) const;

    // Sets `key` in `section` to `value` (replacing the first such key in
    // place, or appending it at the end of its section, or appending the
    // section at the end); an empty optional removes the key. CR, LF and NUL
    // in the value are written as blanks so that no value can break the
    // file's structure.
    void setValue(const QString &section, const QString &key, const std::optional<QString> &value);

    // Sets `key` as above, but keeps its place in the file when it takes
    // over from another key: where `key` is missing and `inPlaceOf` is
    // there, the value goes on `inPlaceOf`'s line, which goes; otherwise
    // `inPlaceOf` is removed and `key` set as above.
    void setValue(const QString &section, const QString &key, const std::optional<QString> &value,
                  const QString &inPlaceOf);

    // The document as file bytes. New lines end in CR LF.
    QByteArray toBytes() const;

    // True when setValue has changed anything since load.
    bool isModified() const { return m_modified; }

    // Writes the document to `path` if it was modified (crash-safe, see
    // AtomicFile). As the Windows profile functions, it never replaces a file
    // that exists but cannot be read, or that is read-only. Returns false
    // when the write failed or was refused; true otherwise.
    bool save(const QString &path) const;

    // True when `path` exists and is read-only: this user may not write it,
    // or nobody may (which holds for root too).
    static bool isReadOnly(const QString &path);

    // Parses an integer the way `integer` does.
    static qint32 parseInteger(QByteArrayView text);

private:
    struct Range {
        qsizetype header = -1; // line index of the section header
        qsizetype end = 0;     // one past the section's last line
    };

    std::optional<Range> findSection(const QByteArray &section) const;
    qsizetype findKey(const Range &range, const QByteArray &key) const;
    void ensureLastLineEnds();

    QList<QByteArray> m_lines; // each with its own line end, if it had one
    bool m_modified = false;
};
