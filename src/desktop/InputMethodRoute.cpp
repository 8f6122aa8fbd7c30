// SPDX-License-Identifier: MIT
// The input-method route, from the environment, the compositor and /proc.
#include "InputMethodRoute.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QSet>
#include <QVersionNumber>

#include <cstdio>
#include <string_view>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
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
// when it cannot be reached. The Wayland client library is opened here, in
// a Wayland session only: an X11 session does not load it (Qt's Wayland
// platform loads the same library afterwards).
QSet<QByteArray> waylandGlobals()
{
    QSet<QByteArray> names;
#ifdef TYPHOROS_WAYLAND_PROBE
    void *library = ::dlopen("libwayland-client.so.0", RTLD_LAZY | RTLD_LOCAL);
    if (!library)
        return names;
    const auto symbol = [library](const char *name) { return ::dlsym(library, name); };
    const auto connect = reinterpret_cast<wl_display *(*)(const char *)>(symbol("wl_display_connect"));
    const auto roundtrip = reinterpret_cast<int (*)(wl_display *)>(symbol("wl_display_roundtrip"));
    const auto disconnect = reinterpret_cast<void (*)(wl_display *)>(symbol("wl_display_disconnect"));
    const auto construct = reinterpret_cast<wl_proxy *(*)(wl_proxy *, uint32_t, const wl_interface *, ...)>(
        symbol("wl_proxy_marshal_constructor"));
    const auto addListener = reinterpret_cast<int (*)(wl_proxy *, void (**)(void), void *)>(
        symbol("wl_proxy_add_listener"));
    const auto destroy = reinterpret_cast<void (*)(wl_proxy *)>(symbol("wl_proxy_destroy"));
    const auto registryInterface = static_cast<const wl_interface *>(symbol("wl_registry_interface"));
    wl_display *display = connect && roundtrip && disconnect && construct && addListener && destroy
                                  && registryInterface
                              ? connect(nullptr)
                              : nullptr;
    if (display) {
        // wl_display_get_registry() and wl_registry_add_listener(), which
        // the protocol header writes inline over these two calls.
        wl_proxy *registry = construct(reinterpret_cast<wl_proxy *>(display), WL_DISPLAY_GET_REGISTRY,
                                       registryInterface, nullptr);
        static wl_registry_listener listener = {
            [](void *data, wl_registry *, uint32_t, const char *interface, uint32_t) {
                static_cast<QSet<QByteArray> *>(data)->insert(interface);
            },
            [](void *, wl_registry *, uint32_t) {},
        };
        if (registry) {
            addListener(registry, reinterpret_cast<void (**)(void)>(&listener), &names);
            roundtrip(display);
            destroy(registry);
        }
        disconnect(display);
    }
    ::dlclose(library);
#endif
    return names;
}

// Qt's module for the input-method daemon this user runs, fcitx5 before
// IBus; empty when neither runs. One pass over /proc that reads the names
// of this user's processes only: it runs before the first window, on a
// desktop of a few hundred processes.
QByteArray runningFramework()
{
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return {};
    const uid_t uid = ::getuid();
    const int procFd = ::dirfd(proc);
    bool ibus = false;
    bool fcitx = false;
    while (const dirent *entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue;
        struct stat st {};
        if (::fstatat(procFd, entry->d_name, &st, 0) != 0 || st.st_uid != uid)
            continue;
        char path[sizeof entry->d_name + 8];
        std::snprintf(path, sizeof path, "%s/comm", entry->d_name);
        const int fd = ::openat(procFd, path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        char comm[32];
        const ssize_t n = ::read(fd, comm, sizeof comm - 1);
        ::close(fd);
        std::string_view name(comm, n > 0 ? std::size_t(n) : 0);
        if (!name.empty() && name.back() == '\n')
            name.remove_suffix(1);
        if (name == "fcitx5") {
            fcitx = true;
            break;
        }
        ibus = ibus || name == "ibus-daemon";
    }
    ::closedir(proc);
    return fcitx ? QByteArrayLiteral("fcitx") : ibus ? QByteArrayLiteral("ibus") : QByteArray();
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
    s.wayland = qgetenv("XDG_SESSION_TYPE") == "wayland" && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                && QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath)
                                     + QStringLiteral("/platforms/libqwayland-generic.so"));
    if (!s.module.isEmpty())
        return s;
    s.framework = runningFramework();
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
