// SPDX-License-Identifier: MIT
// Fuzz target: code page 932 conversion. Decoding never fails; encoding what
// was decoded gives back the same text, with "?" for what was not valid, and
// never the converter's FC FC error bytes.
#include "platform/Cp932.h"

#include <cstdlib>

// True when `bytes` holds FC FC as one character: the converter's error
// bytes. A character ending in FC followed by one starting with FC (聯黑,
// 97 FC FC 4B) is two good characters.
static bool holdsErrorPair(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (!Cp932::isLeadByte(uchar(bytes[i])))
            continue;
        if (uchar(bytes[i]) == 0xFC && i + 1 < bytes.size() && uchar(bytes[i + 1]) == 0xFC)
            return true;
        ++i;
    }
    return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = Cp932::decode(bytes);
    const QByteArray encoded = Cp932::encode(text);
    QString expected = text;
    expected.replace(QChar(0xFFFD), QLatin1Char('?'));
    if (Cp932::decode(encoded) != expected)
        std::abort();
    if (holdsErrorPair(encoded))
        std::abort();
    const qsizetype cut = Cp932::prefixLength(encoded, 255);
    if (cut > 255 || Cp932::decode(encoded.first(cut)).contains(QChar(0xFFFD)))
        std::abort();
    return 0;
}
