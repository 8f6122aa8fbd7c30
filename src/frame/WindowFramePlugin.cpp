// SPDX-License-Identifier: MIT
// The plugin through which Qt's Wayland platform finds the game's window frame.
#include "WindowFramePlugin.h"

#include "WindowFrame.h"

QtWaylandClient::QWaylandAbstractDecoration *WindowFramePlugin::create(const QString &, const QStringList &)
{
    return new WindowFrame;
}
