// SPDX-License-Identifier: MIT
// Text in Windows code page 932 (Shift-JIS as Japanese Windows writes it):
// decoding and encoding that never crash, never drop bytes silently and never
// write the converter's private error bytes.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace Cp932 {

// True for a byte that starts a two-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Decodes `bytes`. Bytes below 0x80 are ASCII, 0xA1-0xDF are half-width
// katakana; every byte or pair that is not valid code page 932 becomes U+FFFD
// (one per bad lead byte; a lone lead byte at the end is one U+FFFD too).
QString decode(QByteArrayView bytes);

// Decodes `bytes` as decode() does, on ICU alone: what decode() uses where
// the C library lacks its CP932 converter (glibc-gconv-extra).
QString decodeWithIcu(QByteArrayView bytes);

// Encodes `text` as the Windows ANSI conversion does: a look-alike of a
// code page character is written as that character (best fit: 〜 U+301C as
// ～, ¥ as \, − as －), a character with no mapping at all as "?"; a
// surrogate pair is one character.
QByteArray encode(QStringView text);

// What a text box holding code page 932 would hold after `text` was typed
// into it: `text` encoded with the best fit and decoded back.
QString bestFit(QStringView text);

// Length, in bytes, of the longest prefix of `bytes` that has at most
// `maxBytes` bytes and does not end inside a two-byte character.
qsizetype prefixLength(QByteArrayView bytes, qsizetype maxBytes);

// Compares two code page 932 names byte by byte, folding ASCII letters only,
// and never folding the second byte of a two-byte character.
bool equalsIgnoreAsciiCase(QByteArrayView a, QByteArrayView b);

} // namespace Cp932
