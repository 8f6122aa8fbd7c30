// SPDX-License-Identifier: MIT
// The game's own 16-colour icon, compiled in from its XPM pictures.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace GameIcon {

// The window icon: the 16 x 16 and 32 x 32 pictures.
QIcon icon();

// The 32 x 32 picture, as the settings dialog shows it.
QPixmap large();

} // namespace GameIcon
