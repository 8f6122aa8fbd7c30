// SPDX-License-Identifier: MIT
// The game's own declaration of Qt's private window-frame interface
// (src/frame/QtWaylandDecoration.h), which a build without Qt's private
// headers (Debian 12) uses, against Qt's own headers: each virtual function
// in the same slot of the table, the same sizes, the same plugin interface
// id. Built where those headers are there and the declaration claims to
// hold (Qt 6.4 to 6.8).
#define QtWaylandClient DeclaredByTheGame
#include "QtWaylandDecoration.h"
#undef QtWaylandClient
#include <QByteArray>
static const QByteArray declaredIid = QWaylandDecorationFactoryInterface_iid;
#undef QWaylandDecorationFactoryInterface_iid

#include <QtWaylandClient/private/qwaylandabstractdecoration_p.h>
#include <QtWaylandClient/private/qwaylanddecorationplugin_p.h>

#include <QTest>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

// A pointer to a virtual member function as the ABI holds it: its slot.
template <typename Member>
std::array<std::uintptr_t, 2> slot(Member member)
{
    std::array<std::uintptr_t, 2> raw{};
    static_assert(sizeof(Member) == sizeof(raw));
    std::memcpy(raw.data(), &member, sizeof raw);
    return raw;
}

// The protected paint(), reached from a subclass.
template <typename Decoration>
struct Frame : Decoration {
    static auto paintFunction() { return &Frame::paint; }
};

} // namespace

class tst_frameinterface : public QObject
{
    Q_OBJECT
private slots:
    void declarationMatchesQt()
    {
        using Declared = DeclaredByTheGame::QWaylandAbstractDecoration;
        using Real = QtWaylandClient::QWaylandAbstractDecoration;
        QCOMPARE(sizeof(Declared), sizeof(Real));
        QCOMPARE(slot(&Declared::margins), slot(&Real::margins));
        QCOMPARE(slot(&Declared::handleMouse), slot(&Real::handleMouse));
        QCOMPARE(slot(&Declared::handleTouch), slot(&Real::handleTouch));
        QCOMPARE(slot(Frame<Declared>::paintFunction()), slot(Frame<Real>::paintFunction()));
        QCOMPARE(sizeof(DeclaredByTheGame::QWaylandDecorationPlugin), sizeof(QtWaylandClient::QWaylandDecorationPlugin));
        QCOMPARE(slot(&DeclaredByTheGame::QWaylandDecorationPlugin::create),
                 slot(&QtWaylandClient::QWaylandDecorationPlugin::create));
        QCOMPARE(declaredIid, QByteArray(QWaylandDecorationFactoryInterface_iid));
    }
};

QTEST_APPLESS_MAIN(tst_frameinterface)
#include "tst_frameinterface.moc"
