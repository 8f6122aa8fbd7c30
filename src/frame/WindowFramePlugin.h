// SPDX-License-Identifier: MIT
// The plugin through which Qt's Wayland platform finds the game's window
// frame, under the key "typhoros".
#pragma once

#include "QtWaylandDecoration.h"

class WindowFramePlugin : public QtWaylandClient::QWaylandDecorationPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QWaylandDecorationFactoryInterface_iid FILE "typhoros-frame.json")

public:
    // A new frame for one window, whatever the key and parameters.
    QtWaylandClient::QWaylandAbstractDecoration *create(const QString &key, const QStringList &parameters) override;
};
