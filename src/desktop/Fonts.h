// SPDX-License-Identifier: MIT
// The Japanese Windows faces the windows are designed with, mapped to the
// metric-compatible IPA faces that Debian ships.
#pragma once

#include <QFont>
#include <QString>

namespace Fonts {

// Registers the substitutions "ＭＳ Ｐゴシック" -> IPAPGothic, "ＭＳ Ｐ明朝" ->
// IPAPMincho, "ＭＳ 明朝" -> IPAMincho and "MS Serif" -> a serif face. Call
// once before the first window is built.
void installSubstitutions();

// A font of `face` at `points` (fractions allowed), bold or not, italic or
// not, underlined or not.
QFont make(const QString &face, double points, bool bold = false, bool italic = false,
           bool underline = false);

} // namespace Fonts
