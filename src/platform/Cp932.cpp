// SPDX-License-Identifier: MIT
// Code page 932 conversion: decoding on the C library's converter (ICU's
// where the C library has none) with invalid input always becoming U+FFFD,
// encoding on ICU with the Windows best-fit mapping.
#include "Cp932.h"

#include <QSysInfo>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <optional>
#include <unicode/ucnv.h>

namespace {

constexpr char16_t Replacement = 0xFFFD;

bool isTrailByte(unsigned char b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// The C library's CP932 converter, one per thread, kept open; null where
// the C library lacks it (some distributions put glibc's in a package of its
// own, glibc-gconv-extra).
iconv_t cLibraryConverter()
{
    static const iconv_t failed = reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));
    thread_local const std::unique_ptr<void, void (*)(iconv_t)> converter(
        iconv_open(QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE", "CP932"),
        [](iconv_t c) {
            if (c != failed)
                iconv_close(c);
        });
    return converter.get() == failed ? nullptr : converter.get();
}

// `bytes` decoded by the C library's CP932 converter, or nothing when they
// hold a byte or pair that is not code page 932. glibc's table is the
// Windows one (the control bytes as they are, the NEC and IBM rows, the
// user-defined area), and it needs about a megabyte less memory than ICU's,
// which the first question file would otherwise bring into start-up.
std::optional<QString> decodeStrictly(QByteArrayView bytes)
{
    const iconv_t converter = cLibraryConverter();
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    // A byte or pair is at most one UTF-16 unit.
    QString out(bytes.size(), Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *target = reinterpret_cast<char *>(out.data());
    size_t targetLeft = size_t(out.size()) * 2;
    if (iconv(converter, &in, &inLeft, &target, &targetLeft) == size_t(-1) || inLeft != 0)
        return std::nullopt;
    out.truncate(out.size() - qsizetype(targetLeft / 2));
    return out;
}

// `bytes` decoded by ICU's code page 932 converter, or nothing when they
// hold a byte or pair that is not code page 932. ICU decodes every pair as
// the C library does, but swaps the control bytes 0x1A, 0x1C and 0x7F: give
// it pairs only.
std::optional<QString> decodeStrictlyByIcu(QByteArrayView bytes)
{
    thread_local const std::unique_ptr<UConverter, decltype(&ucnv_close)> converter = [] {
        UErrorCode error = U_ZERO_ERROR;
        UConverter *c = ucnv_open("windows-31j", &error);
        if (U_FAILURE(error))
            qFatal("ICU has no windows-31j converter: %s", u_errorName(error));
        ucnv_setToUCallBack(c, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
        return std::unique_ptr<UConverter, decltype(&ucnv_close)>(c, &ucnv_close);
    }();
    ucnv_resetToUnicode(converter.get());
    QString out(bytes.size() + 1, Qt::Uninitialized);
    UErrorCode error = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(converter.get(), reinterpret_cast<UChar *>(out.data()), int32_t(out.size()),
                                    bytes.data(), int32_t(bytes.size()), &error);
    if (U_FAILURE(error))
        return std::nullopt;
    out.truncate(n);
    return out;
}

using StrictDecoder = std::optional<QString> (*)(QByteArrayView);

// The code point of one two-byte character, or U+FFFD when the pair is not
// a character of the code page.
// Pairs are looked up once and remembered (0 = not looked up yet), so that a
// long file full of odd bytes does not start a conversion per character.
template <StrictDecoder strict>
char16_t decodePair(unsigned char lead, unsigned char trail)
{
    static std::array<char16_t, 0x10000> known{};
    char16_t &slot = known[(lead << 8) | trail];
    if (slot == 0) {
        const char pair[2] = {char(lead), char(trail)};
        const std::optional<QString> s = strict(QByteArrayView(pair, 2));
        slot = (!s || s->size() != 1) ? Replacement : s->at(0).unicode();
    }
    return slot;
}

char16_t decodeSingle(unsigned char b)
{
    if (b < 0x80)
        return b;
    if (b >= 0xA1 && b <= 0xDF)
        return char16_t(0xFF61 + (b - 0xA1));
    return Replacement;
}

template <StrictDecoder strict>
QString decodeCarefully(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char b = p[i];
        if (!Cp932::isLeadByte(b)) {
            out.append(QChar(decodeSingle(b)));
            continue;
        }
        if (i + 1 < n && isTrailByte(p[i + 1])) {
            out.append(QChar(decodePair<strict>(b, p[i + 1])));
            ++i;
        } else {
            // A lead byte without a trail byte: the next byte starts afresh.
            out.append(QChar(Replacement));
        }
    }
    return out;
}

// ICU's code page 932 converter with fallbacks on: the best-fit bytes that
// Windows writes for look-alikes outside the code page (〜 U+301C as ～,
// ¥ as \, − as －, ‖ as ∥, ‾ as ~), "?" for characters with no mapping.
// Qt's encoder refuses those look-alikes and offers no fallbacks. One
// converter per thread, kept open: opening one costs more than converting
// an answer.
UConverter *bestFitConverter()
{
    thread_local const std::unique_ptr<UConverter, decltype(&ucnv_close)> converter = [] {
        UErrorCode error = U_ZERO_ERROR;
        UConverter *c = ucnv_open("windows-31j", &error);
        if (U_FAILURE(error))
            qFatal("ICU has no windows-31j converter: %s", u_errorName(error));
        ucnv_setFallback(c, true);
        ucnv_setSubstChars(c, "?", 1, &error);
        return std::unique_ptr<UConverter, decltype(&ucnv_close)>(c, &ucnv_close);
    }();
    return converter.get();
}

// Appends the bytes of `run`, which holds no ASCII character, to `out`.
void appendNonAscii(QStringView run, QByteArray &out)
{
    UConverter *converter = bestFitConverter();
    ucnv_resetFromUnicode(converter);
    const qsizetype at = out.size();
    out.resize(at + UCNV_GET_MAX_BYTES_FOR_STRING(run.size(), ucnv_getMaxCharSize(converter)));
    char *target = out.data() + at;
    const auto *source = reinterpret_cast<const UChar *>(run.utf16());
    UErrorCode error = U_ZERO_ERROR;
    ucnv_fromUnicode(converter, &target, out.data() + out.size(), &source, source + run.size(), nullptr, true,
                     &error);
    out.truncate(target - out.data());
}

} // namespace

namespace Cp932 {

QString decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    // ASCII, control bytes included, reads as itself without a converter
    // (settings files are mostly digits and dates).
    if (std::all_of(bytes.begin(), bytes.end(), [](char b) { return uchar(b) < 0x80; }))
        return QString::fromLatin1(bytes);
    if (!cLibraryConverter())
        return decodeWithIcu(bytes);
    if (std::optional<QString> s = decodeStrictly(bytes); s && !s->contains(QChar(Replacement)))
        return *s;
    return decodeCarefully<decodeStrictly>(bytes);
}

QString decodeWithIcu(QByteArrayView bytes)
{
    return decodeCarefully<decodeStrictlyByIcu>(bytes);
}

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    // ASCII is written by hand: ICU's table swaps the control bytes 0x1A,
    // 0x1C and 0x7F, which Windows keeps as they are.
    for (qsizetype i = 0; i < text.size();) {
        if (text[i].unicode() < 0x80) {
            out.append(char(text[i].unicode()));
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < text.size() && text[end].unicode() >= 0x80)
            ++end;
        appendNonAscii(text.sliced(i, end - i), out);
        i = end;
    }
    return out;
}

QString bestFit(QStringView text)
{
    return decode(encode(text));
}

qsizetype prefixLength(QByteArrayView bytes, qsizetype maxBytes)
{
    if (bytes.size() <= maxBytes)
        return bytes.size();
    qsizetype i = 0;
    while (i < maxBytes) {
        const qsizetype width = isLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + width > maxBytes)
            break;
        i += width;
    }
    return i;
}

bool equalsIgnoreAsciiCase(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (isLeadByte(x)) {
            if (x != y || i + 1 >= a.size() || a[i + 1] != b[i + 1])
                return false;
            ++i;
            continue;
        }
        const auto fold = [](unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; };
        if (fold(x) != fold(y))
            return false;
    }
    return true;
}

} // namespace Cp932
