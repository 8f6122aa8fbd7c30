// SPDX-License-Identifier: MIT
// Font substitutions for the Japanese Windows faces.
#include "Fonts.h"

#include <QStringList>

namespace Fonts {

void installSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitutions(QStringLiteral("MS Serif"),
                               QStringList{QStringLiteral("IPAPMincho"), QStringLiteral("DejaVu Serif")});
}

QFont make(const QString &face, double points, bool bold, bool italic, bool underline)
{
    QFont font(face);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}

} // namespace Fonts
