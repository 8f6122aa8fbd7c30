// SPDX-License-Identifier: MIT
// Fuzz target: settings files. Any bytes parse and serialise back unchanged;
// a write changes only the line it sets (or adds its key and section) and
// the value reads back as written.
#include "platform/IniDocument.h"

#include <QByteArray>
#include <QList>
#include <cstdlib>

namespace {

QList<QByteArray> lines(const QByteArray &bytes)
{
    QList<QByteArray> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            out.append(bytes.mid(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < bytes.size())
        out.append(bytes.mid(start));
    return out;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniDocument doc = IniDocument::fromBytes(bytes);
    require(doc.toBytes() == bytes);
    doc.string("HiScore", "Holder1", "Err");
    doc.integer("HiScore", "Score1", 0);

    const QString value = QStringLiteral("12345 たろう");
    doc.setValue("HiScore", "Score1", value);
    const QByteArray written = doc.toBytes();
    require(IniDocument::fromBytes(written).string("HiScore", "Score1", "<none>") == value);

    // Untouched lines stay: the old and new files differ in one place only,
    // where at most one line went (or gained its missing line end) and at
    // most two came in.
    const QList<QByteArray> before = lines(bytes), after = lines(written);
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix
           && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const qsizetype removed = before.size() - prefix - suffix;
    const qsizetype added = after.size() - prefix - suffix;
    require(removed <= 1 && added <= 3);
    if (removed == 1 && added >= 1 && !before[prefix].endsWith('\n') && !before[prefix].endsWith('\r'))
        require(after[prefix].startsWith(before[prefix]) || after[prefix].contains('='));
    return 0;
}
