// SPDX-License-Identifier: MIT
// The game's icon. The XPM pictures are C arrays: decoding them needs no
// file, resource or image plugin at start-up.
#include "GameIcon.h"

namespace {
#include "typhoros-16.xpm"
#include "typhoros-32.xpm"
} // namespace

namespace GameIcon {

QIcon icon()
{
    QIcon icon;
    icon.addPixmap(QPixmap(typhoros_16));
    icon.addPixmap(large());
    return icon;
}

QPixmap large()
{
    return QPixmap(typhoros_32);
}

} // namespace GameIcon
