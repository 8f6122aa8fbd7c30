// SPDX-License-Identifier: MIT
// Fuzz target: question files. Any bytes load as questions without a crash;
// no question holds a line end, nothing but line ends is lost, and every
// question is as the answer box would hold it typed in.
#include "classes/clsMondai.h"
#include "platform/Cp932.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = clsMondai::decodeFile(bytes);
    const QStringList questions = clsMondai::splitLines(text);
    qsizetype characters = 0;
    for (const QString &q : questions) {
        if (q.contains(QLatin1Char('\r')) || q.contains(QLatin1Char('\n')))
            std::abort();
        // U+FFFD, a byte of neither encoding, is the one character no answer holds.
        if (!q.contains(QChar(0xFFFD)) && Cp932::bestFit(q) != q)
            std::abort();
        characters += q.size();
    }
    const qsizetype crs = text.count(QLatin1Char('\r'));
    const qsizetype lfs = text.count(QLatin1Char('\n'));
    if (characters != text.size() - crs - lfs)
        std::abort();
    if (questions.size() > crs + lfs - text.count(QLatin1String("\r\n")) + 1)
        std::abort();
    return 0;
}
