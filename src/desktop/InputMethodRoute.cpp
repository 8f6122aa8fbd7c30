// SPDX-License-Identifier: MIT
// The input-method route, from the environment, the compositor and /proc.
#include "InputMethodRoute.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSet>
#include <QVersionNumber>

#include <sys/stat.h>
#include <unistd.h>

#ifdef TYPHOROS_WAYLAND_PROBE
#include <wayland-client.h>
#endif

InputMethodRoute::Route InputMethodRoute::choose(const Session &session)
{
    if (!session.module.isEmpty() || session.framework.isEmpty())
        return {};
    const bool wayland = session.platform.isEmpty() ? session.wayland : session.platform.startsWith("wayland");
    const bool x11 = session.platform.isEmpty() ? !wayland && session.x11 : session.platform == "xcb";
    // Other platforms (offscreen, vnc...) take no input method.
    if ((!wayland && !x11) || (wayland && session.textInput))
        return {};
    Route route;
    route.module = session.framework;
    if (wayland && session.platform.isEmpty() && session.x11)
        route.platform = "xcb";
    return route;
}

namespace {

// The names of the globals the compositor at WAYLAND_DISPLAY offers; empty
// when it cannot be reached.
QSet<QByteArray> waylandGlobals()
{
    QSet<QByteArray> names;
#ifdef TYPHOROS_WAYLAND_PROBE
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return names;
    wl_registry *registry = wl_display_get_registry(display);
    static const wl_registry_listener listener = {
        [](void *data, wl_registry *, uint32_t, const char *interface, uint32_t) {
            static_cast<QSet<QByteArray> *>(data)->insert(interface);
        },
        [](void *, wl_registry *, uint32_t) {},
    };
    wl_registry_add_listener(registry, &listener, &names);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
#endif
    return names;
}

// Whether this user runs a process of that name.
bool userRuns(const QByteArray &name)
{
    const uid_t uid = ::getuid();
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        if (!pid.front().isDigit())
            continue;
        struct stat st {};
        const QByteArray dir = "/proc/" + pid.toLatin1();
        if (::stat(dir.constData(), &st) != 0 || st.st_uid != uid)
            continue;
        QFile comm(QString::fromLatin1(dir + "/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            return true;
    }
    return false;
}

} // namespace

InputMethodRoute::Session InputMethodRoute::probe()
{
    Session s;
    s.platform = qgetenv("QT_QPA_PLATFORM");
    s.module = qgetenv("QT_IM_MODULE");
    s.x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    // As Qt chooses its platform: natively on Wayland in a Wayland session,
    // where its Wayland plugin is there.
    const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath)
                           + QStringLiteral("/platforms/libqwayland-generic.so");
    s.wayland = qgetenv("XDG_SESSION_TYPE") == "wayland" && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                && QFileInfo::exists(plugin);
    if (!s.module.isEmpty())
        return s;
    if (userRuns("fcitx5"))
        s.framework = "fcitx";
    else if (userRuns("ibus-daemon"))
        s.framework = "ibus";
    if (s.framework.isEmpty() || !(s.wayland || s.platform.startsWith("wayland")))
        return s;
    // Text-input v2 and Qt's own protocol are Qt's from 6.4, v3 from 6.7.
    const QSet<QByteArray> globals = waylandGlobals();
    s.textInput = globals.isEmpty() || globals.contains("zwp_text_input_manager_v2")
                  || globals.contains("qt_text_input_method_manager_v1")
                  || (globals.contains("zwp_text_input_manager_v3")
                      && QVersionNumber::fromString(QString::fromLatin1(qVersion())) >= QVersionNumber(6, 7));
    return s;
}
