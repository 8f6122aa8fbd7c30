// SPDX-License-Identifier: MIT
// Fuzz target: question files. Any bytes load as questions without a crash;
// no question holds a CR, and nothing but line ends is lost.
#include "classes/clsMondai.h"
#include "platform/Cp932.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = Cp932::decode(bytes);
    const QStringList questions = clsMondai::splitLines(text);
    qsizetype characters = 0;
    for (const QString &q : questions) {
        if (q.contains(QLatin1Char('\r')))
            std::abort();
        characters += q.size();
    }
    const qsizetype crs = text.count(QLatin1Char('\r'));
    const qsizetype lineFeedsAfterCr = text.count(QLatin1String("\r\n"));
    if (characters != text.size() - crs - lineFeedsAfterCr)
        std::abort();
    if (questions.size() > crs + 1)
        std::abort();
    return 0;
}
