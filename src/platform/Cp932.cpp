// Code page 932 conversion on top of Qt's converter, with the traps the
// converter leaves mended: invalid input always becomes U+FFFD, unmappable
// output always becomes "?", and the control bytes stay ASCII.
#include "Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <cstring>

namespace {

constexpr char16_t Replacement = 0xFFFD;

bool isTrailByte(unsigned char b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// The converter maps these control bytes differently from Windows, so inputs
// that hold them take the careful path, where ASCII is handled by hand.
bool hasSwappedControls(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const size_t n = size_t(bytes.size());
    return std::memchr(p, 0x1A, n) || std::memchr(p, 0x1C, n) || std::memchr(p, 0x7F, n);
}

bool hasSwappedControls(QStringView text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0x1A || u == 0x1C || u == 0x7F)
            return true;
    }
    return false;
}

// The code point of one two-byte character, or U+FFFD when the pair is not
// a character of the code page.
// Pairs are looked up once and remembered (0 = not looked up yet), so that a
// long file full of odd bytes does not open a converter per character.
char16_t decodePair(unsigned char lead, unsigned char trail)
{
    static std::array<char16_t, 0x10000> known{};
    char16_t &slot = known[(lead << 8) | trail];
    if (slot == 0) {
        QStringDecoder decoder("CP932", QStringConverter::Flag::Stateless);
        const char pair[2] = {char(lead), char(trail)};
        const QString s = decoder.decode(QByteArrayView(pair, 2));
        slot = (decoder.hasError() || s.size() != 1) ? Replacement : s.at(0).unicode();
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
            out.append(QChar(decodePair(b, p[i + 1])));
            ++i;
        } else {
            // A lead byte without a trail byte: the next byte starts afresh.
            out.append(QChar(Replacement));
        }
    }
    return out;
}

QByteArray encodeCarefully(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            out.append(char(c.unicode()));
            continue;
        }
        if (c.isSurrogate()) {
            // No code page 932 character lies outside the BMP.
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            out.append('?');
            continue;
        }
        // A fresh converter per character: once the converter has seen an
        // error it keeps reporting one.
        QStringEncoder encoder("CP932", QStringConverter::Flag::Stateless);
        const QByteArray bytes = encoder.encode(QStringView(&c, 1));
        if (encoder.hasError() || bytes.isEmpty()) {
            out.append('?');
        } else {
            out.append(bytes);
        }
    }
    return out;
}

} // namespace

namespace Cp932 {

QString decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    if (!hasSwappedControls(bytes)) {
        QStringDecoder decoder("CP932", QStringConverter::Flag::Stateless);
        QString s = decoder.decode(bytes);
        if (!decoder.hasError() && !s.contains(QChar(Replacement)))
            return s;
    }
    return decodeCarefully(bytes);
}

QByteArray encode(QStringView text)
{
    if (text.isEmpty())
        return {};
    if (!hasSwappedControls(text)) {
        QStringEncoder encoder("CP932", QStringConverter::Flag::Stateless);
        QByteArray bytes = encoder.encode(text);
        if (!encoder.hasError())
            return bytes;
    }
    return encodeCarefully(text);
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
