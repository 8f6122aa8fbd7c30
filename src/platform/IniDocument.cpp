// SPDX-License-Identifier: MIT
// Parsing and editing of INI files at the byte level, so that comments,
// unknown keys and other sections survive every write unchanged.
#include "IniDocument.h"

#include "AtomicFile.h"
#include "Cp932.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView v)
{
    while (!v.isEmpty() && isBlank(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && (isBlank(v.back()) || v.back() == '\r' || v.back() == '\n'))
        v = v.chopped(1);
    return v;
}

// The line without its line end and surrounding blanks.
QByteArrayView content(const QByteArray &line)
{
    return trimmed(QByteArrayView(line));
}

// The section name of a header line "[name]", or nothing.
std::optional<QByteArrayView> sectionName(const QByteArray &line)
{
    const QByteArrayView c = content(line);
    if (!c.startsWith('['))
        return std::nullopt;
    QByteArrayView name = c.sliced(1);
    const qsizetype close = name.indexOf(']');
    if (close >= 0)
        name = name.first(close);
    return trimmed(name);
}

// Splits a "key = value" line; nothing for headers, comments and other lines.
bool splitKeyLine(const QByteArray &line, QByteArrayView *key, QByteArrayView *value)
{
    const QByteArrayView c = content(line);
    if (c.isEmpty() || c.front() == '[' || c.front() == ';')
        return false;
    const qsizetype eq = c.indexOf('=');
    if (eq < 0)
        return false;
    *key = trimmed(c.first(eq));
    *value = trimmed(c.sliced(eq + 1));
    return true;
}

QByteArray sanitized(QByteArray value)
{
    for (char &c : value)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return value;
}

QByteArray makeKeyLine(const QByteArray &key, const QString &value, const QByteArray &lineEnd)
{
    return key + '=' + sanitized(Cp932::encode(value)) + lineEnd;
}

QByteArray lineEndOf(const QByteArray &line)
{
    if (line.endsWith("\r\n"))
        return CrLf;
    if (line.endsWith('\n'))
        return QByteArrayLiteral("\n");
    if (line.endsWith('\r'))
        return QByteArrayLiteral("\r");
    return CrLf;
}

} // namespace

IniDocument IniDocument::fromBytes(const QByteArray &bytes)
{
    IniDocument doc;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r') {
            if (bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n')
                ++i;
            doc.m_lines.append(bytes.sliced(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < n)
        doc.m_lines.append(bytes.sliced(start));
    return doc;
}

IniDocument IniDocument::load(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    return fromBytes(file.readAll());
}

std::optional<IniDocument::Range> IniDocument::findSection(const QByteArray &section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const auto name = sectionName(m_lines[i]);
        if (!name || !Cp932::equalsIgnoreAsciiCase(*name, section))
            continue;
        Range range{i, m_lines.size()};
        for (qsizetype j = i + 1; j < m_lines.size(); ++j) {
            if (sectionName(m_lines[j])) {
                range.end = j;
                break;
            }
        }
        return range;
    }
    return std::nullopt;
}

qsizetype IniDocument::findKey(const Range &range, const QByteArray &key) const
{
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        QByteArrayView k, v;
        if (splitKeyLine(m_lines[i], &k, &v) && Cp932::equalsIgnoreAsciiCase(k, key))
            return i;
    }
    return -1;
}

std::optional<QByteArray> IniDocument::rawValue(const QString &section, const QString &key) const
{
    const auto range = findSection(Cp932::encode(section.trimmed()));
    if (!range)
        return std::nullopt;
    const qsizetype line = findKey(*range, Cp932::encode(key.trimmed()));
    if (line < 0)
        return std::nullopt;
    QByteArrayView k, v;
    splitKeyLine(m_lines[line], &k, &v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.sliced(1, v.size() - 2);
    return v.toByteArray();
}

QString IniDocument::string(const QString &section, const QString &key, const QString &defaultValue,
                            int bufferSize) const
{
    const QByteArray bytes = rawValue(section, key).value_or(Cp932::encode(defaultValue));
    const qsizetype keep = Cp932::prefixLength(bytes, qMax(0, bufferSize - 1));
    return Cp932::decode(QByteArrayView(bytes).first(keep));
}

qint32 IniDocument::integer(const QString &section, const QString &key, qint32 defaultValue) const
{
    const auto bytes = rawValue(section, key);
    return bytes ? parseInteger(*bytes) : defaultValue;
}

qint32 IniDocument::parseInteger(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    qint64 magnitude = 0;
    constexpr qint64 Limit = qint64(std::numeric_limits<qint32>::max()) + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        magnitude = qMin(Limit, magnitude * 10 + (text[i] - '0'));
    const qint64 value = negative ? -magnitude : magnitude;
    return qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(),
                                     std::numeric_limits<qint32>::max()));
}

void IniDocument::ensureLastLineEnds()
{
    if (!m_lines.isEmpty()) {
        QByteArray &last = m_lines.last();
        if (!last.endsWith('\n') && !last.endsWith('\r'))
            last += CrLf;
    }
}

void IniDocument::setValue(const QString &section, const QString &key, const std::optional<QString> &value)
{
    const QByteArray sectionBytes = Cp932::encode(section.trimmed());
    const QByteArray keyBytes = Cp932::encode(key.trimmed());
    const auto keyLine = [&](const QByteArray &lineEnd) { return makeKeyLine(keyBytes, *value, lineEnd); };

    const auto range = findSection(sectionBytes);
    if (!range) {
        if (!value)
            return;
        ensureLastLineEnds();
        m_lines.append('[' + sectionBytes + ']' + CrLf);
        m_lines.append(keyLine(CrLf));
        m_modified = true;
        return;
    }

    const qsizetype line = findKey(*range, keyBytes);
    if (line >= 0) {
        if (value) {
            const QByteArray replacement = keyLine(lineEndOf(m_lines[line]));
            if (replacement == m_lines[line])
                return;
            m_lines[line] = replacement;
        } else {
            m_lines.removeAt(line);
        }
        m_modified = true;
        return;
    }
    if (!value)
        return;

    // Append after the section's last non-blank line, so that a blank line
    // separating it from the next section stays where it was.
    qsizetype at = range->end;
    while (at > range->header + 1 && content(m_lines[at - 1]).isEmpty())
        --at;
    if (at == m_lines.size())
        ensureLastLineEnds();
    else if (at > 0 && !m_lines[at - 1].endsWith('\n') && !m_lines[at - 1].endsWith('\r'))
        m_lines[at - 1] += CrLf;
    m_lines.insert(at, keyLine(CrLf));
    m_modified = true;
}

void IniDocument::setValue(const QString &section, const QString &key, const std::optional<QString> &value,
                           const QString &inPlaceOf)
{
    const auto range = findSection(Cp932::encode(section.trimmed()));
    const QByteArray keyBytes = Cp932::encode(key.trimmed());
    const qsizetype old = range ? findKey(*range, Cp932::encode(inPlaceOf.trimmed())) : -1;
    if (value && old >= 0 && findKey(*range, keyBytes) < 0) {
        m_lines[old] = makeKeyLine(keyBytes, *value, lineEndOf(m_lines[old]));
        m_modified = true;
        return;
    }
    setValue(section, inPlaceOf, std::nullopt);
    setValue(section, key, value);
}

QByteArray IniDocument::toBytes() const
{
    qsizetype size = 0;
    for (const QByteArray &line : m_lines)
        size += line.size();
    QByteArray out;
    out.reserve(size);
    for (const QByteArray &line : m_lines)
        out += line;
    return out;
}

bool IniDocument::isReadOnly(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    return ::stat(name.constData(), &st) == 0 && (::access(name.constData(), W_OK) != 0 || (st.st_mode & 0222) == 0);
}

bool IniDocument::save(const QString &path) const
{
    if (!m_modified)
        return true;
    const QByteArray name = QFile::encodeName(path);
    // Replacing such a file would lose what we could not read, or override
    // its owner's wish.
    if (::access(name.constData(), F_OK) == 0 && (::access(name.constData(), R_OK) != 0 || isReadOnly(path)))
        return false;
    return AtomicFile::write(path, toBytes());
}
