/* SPDX-License-Identifier: MIT */
/* A virtual mouse for the Wayland end-to-end tests: plugs one pointer into
 * the compositor's seat (wlroots' virtual-pointer protocol, which sway
 * offers) and reads commands from standard input, one a line:
 *   move X Y    put the pointer at X, Y of the output layout
 *   click       press and release the left button where the pointer is
 * Each command is flushed and acknowledged with a line "ok" on standard
 * output once the compositor has handled it, so a script can wait for it.
 * Exits 0 at the end of input, 1 when the compositor lacks the protocol.
 *
 * The protocol's two interfaces are declared here by hand (they are a few
 * lines), so the tests need nothing but libwayland-client. */
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

/* Requests of zwlr_virtual_pointer_v1, in the protocol's order. */
enum { VP_MOTION, VP_MOTION_ABSOLUTE, VP_BUTTON, VP_AXIS, VP_FRAME, VP_AXIS_SOURCE,
       VP_AXIS_STOP, VP_AXIS_DISCRETE, VP_DESTROY };
/* Requests of zwlr_virtual_pointer_manager_v1. */
enum { VPM_CREATE_VIRTUAL_POINTER, VPM_DESTROY };

static const struct wl_message pointer_requests[] = {
    {"motion", "uff", NULL},
    {"motion_absolute", "uuuuu", NULL},
    {"button", "uuu", NULL},
    {"axis", "uuf", NULL},
    {"frame", "", NULL},
    {"axis_source", "u", NULL},
    {"axis_stop", "uu", NULL},
    {"axis_discrete", "uufi", NULL},
    {"destroy", "", NULL},
};
static const struct wl_interface pointer_interface = {
    "zwlr_virtual_pointer_v1", 1, 9, pointer_requests, 0, NULL,
};
static const struct wl_interface *create_types[] = {&wl_seat_interface, &pointer_interface};
static const struct wl_message manager_requests[] = {
    {"create_virtual_pointer", "?on", create_types},
    {"destroy", "", NULL},
};
static const struct wl_interface manager_interface = {
    "zwlr_virtual_pointer_manager_v1", 1, 2, manager_requests, 0, NULL,
};

static struct wl_seat *seat;
static struct wl_proxy *manager;
/* The output layout's size, which absolute motion is measured against. */
static int32_t layout_width, layout_height;

static void output_geometry(void *data, struct wl_output *o, int32_t x, int32_t y, int32_t pw,
                            int32_t ph, int32_t sub, const char *make, const char *model, int32_t t)
{
    (void)data; (void)o; (void)x; (void)y; (void)pw; (void)ph; (void)sub; (void)make; (void)model; (void)t;
}
static void output_mode(void *data, struct wl_output *o, uint32_t flags, int32_t w, int32_t h, int32_t r)
{
    (void)data; (void)o; (void)r;
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        layout_width = w;
        layout_height = h;
    }
}
static void output_done(void *data, struct wl_output *o) { (void)data; (void)o; }
static void output_scale(void *data, struct wl_output *o, int32_t s) { (void)data; (void)o; (void)s; }
static const struct wl_output_listener output_listener = {
    .geometry = output_geometry, .mode = output_mode, .done = output_done, .scale = output_scale,
};

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                   uint32_t version)
{
    (void)data; (void)version;
    if (strcmp(interface, "wl_seat") == 0 && !seat) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, manager_interface.name) == 0) {
        manager = wl_registry_bind(registry, name, &manager_interface, 1);
    } else if (strcmp(interface, "wl_output") == 0 && layout_width == 0) {
        struct wl_output *output = wl_registry_bind(registry, name, &wl_output_interface, 1);
        wl_output_add_listener(output, &output_listener, NULL);
    }
}
static void global_remove(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data; (void)registry; (void)name;
}
static const struct wl_registry_listener registry_listener = {global, global_remove};

static uint32_t now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

int main(void)
{
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "wl_pointer: no Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    wl_display_roundtrip(display); /* the output's mode */
    if (!manager || layout_width <= 0) {
        fprintf(stderr, "wl_pointer: the compositor offers no virtual pointer or output\n");
        return 1;
    }
    struct wl_proxy *pointer = wl_proxy_marshal_flags(manager, VPM_CREATE_VIRTUAL_POINTER,
                                                      &pointer_interface, 1, 0, seat, NULL);
    char line[128];
    setvbuf(stdout, NULL, _IOLBF, 0);
    while (fgets(line, sizeof line, stdin)) {
        int x, y;
        if (sscanf(line, "move %d %d", &x, &y) == 2) {
            wl_proxy_marshal_flags(pointer, VP_MOTION_ABSOLUTE, NULL, 1, 0, now_ms(), (uint32_t)x,
                                   (uint32_t)y, (uint32_t)layout_width, (uint32_t)layout_height);
            wl_proxy_marshal_flags(pointer, VP_FRAME, NULL, 1, 0);
        } else if (strncmp(line, "click", 5) == 0) {
            wl_proxy_marshal_flags(pointer, VP_BUTTON, NULL, 1, 0, now_ms(), BTN_LEFT,
                                   WL_POINTER_BUTTON_STATE_PRESSED);
            wl_proxy_marshal_flags(pointer, VP_FRAME, NULL, 1, 0);
            wl_proxy_marshal_flags(pointer, VP_BUTTON, NULL, 1, 0, now_ms(), BTN_LEFT,
                                   WL_POINTER_BUTTON_STATE_RELEASED);
            wl_proxy_marshal_flags(pointer, VP_FRAME, NULL, 1, 0);
        } else {
            fprintf(stderr, "wl_pointer: unknown command: %s", line);
            continue;
        }
        if (wl_display_roundtrip(display) < 0) {
            return 1;
        }
        puts("ok");
    }
    wl_proxy_marshal_flags(pointer, VP_DESTROY, NULL, 1, WL_MARSHAL_FLAG_DESTROY);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
