// SPDX-License-Identifier: MIT
// The client-side decoration interface of Qt's Wayland platform plugin
// (libQt6WaylandClient): the base class of a window frame and of the plugin
// that makes it. From Qt's private headers where the build has them;
// declared here for a release that ships none (Debian 12).
#pragma once

#ifdef TYPHOROS_QT_PRIVATE_HEADERS
#include <QtWaylandClient/private/qwaylandabstractdecoration_p.h>
#include <QtWaylandClient/private/qwaylanddecorationplugin_p.h>
#else

#include <QtCore/QMargins>
#include <QtCore/QObject>
#include <QtCore/QPointF>
#include <QtCore/QtPlugin>
#include <QtGui/QEventPoint>

// The virtual functions must be Qt's, in Qt's order, as the frame plugin
// subclasses these classes across the library boundary; of the others only
// those the frame calls are declared. Qt left both classes unchanged from
// 6.4 to 6.8, the versions the build accepts (src/frame/CMakeLists.txt). No
// moc runs on this file: the meta objects below are the library's.

#define QWaylandDecorationFactoryInterface_iid "org.qt-project.Qt.WaylandClient.QWaylandDecorationFactoryInterface.5.4"

class QWindow;
class QPaintDevice;

namespace QtWaylandClient {

class QWaylandInputDevice;

class Q_DECL_IMPORT QWaylandAbstractDecoration : public QObject
{
public:
    static const QMetaObject staticMetaObject;
    const QMetaObject *metaObject() const override;
    void *qt_metacast(const char *className) override;
    int qt_metacall(QMetaObject::Call call, int id, void **arguments) override;

    enum MarginsType { Full, ShadowsExcluded, ShadowsOnly };

    QWaylandAbstractDecoration();
    ~QWaylandAbstractDecoration() override;

    virtual QMargins margins(MarginsType marginsType = Full) const = 0;
    QWindow *window() const;
    virtual bool handleMouse(QWaylandInputDevice *inputDevice, const QPointF &local, const QPointF &global,
                             Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) = 0;
    virtual bool handleTouch(QWaylandInputDevice *inputDevice, const QPointF &local, const QPointF &global,
                             QEventPoint::State state, Qt::KeyboardModifiers modifiers) = 0;

protected:
    virtual void paint(QPaintDevice *device) = 0;
    void setMouseButtons(Qt::MouseButtons buttons);
    void startResize(QWaylandInputDevice *inputDevice, Qt::Edges edges, Qt::MouseButtons buttons);
    void startMove(QWaylandInputDevice *inputDevice, Qt::MouseButtons buttons);
    void showWindowMenu(QWaylandInputDevice *inputDevice);
    bool isLeftClicked(Qt::MouseButtons buttons);
    bool isRightClicked(Qt::MouseButtons buttons);
    bool isLeftReleased(Qt::MouseButtons buttons);
};

class Q_DECL_IMPORT QWaylandDecorationPlugin : public QObject
{
public:
    static const QMetaObject staticMetaObject;
    const QMetaObject *metaObject() const override;
    void *qt_metacast(const char *className) override;
    int qt_metacall(QMetaObject::Call call, int id, void **arguments) override;

    explicit QWaylandDecorationPlugin(QObject *parent = nullptr);
    ~QWaylandDecorationPlugin() override;
    virtual QWaylandAbstractDecoration *create(const QString &key, const QStringList &parameters) = 0;
};

} // namespace QtWaylandClient

#endif
