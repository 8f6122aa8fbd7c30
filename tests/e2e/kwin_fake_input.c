/* SPDX-License-Identifier: MIT */
/* A virtual keyboard and mouse for the end-to-end tests under KWin: speaks
 * KDE's fake-input protocol and reads commands from standard input, one a
 * line:
 *   move X Y    put the pointer at X, Y of the screen
 *   click       press and release the left button where the pointer is
 *   key CODE    press and release the key of Linux input code CODE
 *   down CODE   press it (a modifier held for the next keys)
 *   up CODE     release it
 * Each command is flushed and acknowledged with a line "ok" on standard
 * output once the compositor has handled it, so a script can wait for it.
 * Exits 0 at the end of input, 1 when the compositor lacks the protocol.
 * KWin offers the protocol to a program its desktop file lists
 * (X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input), or to any program
 * when KWIN_WAYLAND_NO_PERMISSION_CHECKS=1.
 *
 * The protocol's one interface is declared here by hand, as in wl_pointer.c,
 * so the tests need nothing but libwayland-client. */
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <string.h>
#include <wayland-client.h>

/* Requests of org_kde_kwin_fake_input, in the protocol's order. */
enum { FI_AUTHENTICATE, FI_POINTER_MOTION, FI_BUTTON, FI_AXIS, FI_TOUCH_DOWN, FI_TOUCH_MOTION,
       FI_TOUCH_UP, FI_TOUCH_CANCEL, FI_TOUCH_FRAME, FI_POINTER_MOTION_ABSOLUTE, FI_KEYBOARD_KEY };

static const struct wl_message fake_input_requests[] = {
    {"authenticate", "ss", NULL},
    {"pointer_motion", "ff", NULL},
    {"button", "uu", NULL},
    {"axis", "uf", NULL},
    {"touch_down", "2uff", NULL},
    {"touch_motion", "2uff", NULL},
    {"touch_up", "2u", NULL},
    {"touch_cancel", "2", NULL},
    {"touch_frame", "2", NULL},
    {"pointer_motion_absolute", "3ff", NULL},
    {"keyboard_key", "4uu", NULL},
};
static const struct wl_interface fake_input_interface = {
    "org_kde_kwin_fake_input", 4, 11, fake_input_requests, 0, NULL,
};

static struct wl_proxy *fake_input;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                   uint32_t version)
{
    (void)data;
    if (strcmp(interface, fake_input_interface.name) == 0 && version >= 4)
        fake_input = wl_registry_bind(registry, name, &fake_input_interface, 4);
}
static void global_remove(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data; (void)registry; (void)name;
}
static const struct wl_registry_listener registry_listener = {global, global_remove};

static void request(int code_of_request, uint32_t a, uint32_t b)
{
    wl_proxy_marshal_flags(fake_input, (uint32_t)code_of_request, NULL, 4, 0, a, b);
}

int main(void)
{
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "kwin_fake_input: no Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!fake_input) {
        fprintf(stderr, "kwin_fake_input: the compositor offers no fake input (version 4)\n");
        return 1;
    }
    wl_proxy_marshal_flags(fake_input, FI_AUTHENTICATE, NULL, 4, 0, "Typhoros tests", "end-to-end tests");
    char line[128];
    setvbuf(stdout, NULL, _IOLBF, 0);
    while (fgets(line, sizeof line, stdin)) {
        int x, y;
        unsigned code;
        if (sscanf(line, "move %d %d", &x, &y) == 2) {
            request(FI_POINTER_MOTION_ABSOLUTE, (uint32_t)wl_fixed_from_int(x), (uint32_t)wl_fixed_from_int(y));
        } else if (strncmp(line, "click", 5) == 0) {
            request(FI_BUTTON, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
            request(FI_BUTTON, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
        } else if (sscanf(line, "key %u", &code) == 1) {
            request(FI_KEYBOARD_KEY, code, WL_KEYBOARD_KEY_STATE_PRESSED);
            request(FI_KEYBOARD_KEY, code, WL_KEYBOARD_KEY_STATE_RELEASED);
        } else if (sscanf(line, "down %u", &code) == 1) {
            request(FI_KEYBOARD_KEY, code, WL_KEYBOARD_KEY_STATE_PRESSED);
        } else if (sscanf(line, "up %u", &code) == 1) {
            request(FI_KEYBOARD_KEY, code, WL_KEYBOARD_KEY_STATE_RELEASED);
        } else {
            fprintf(stderr, "kwin_fake_input: unknown command: %s", line);
            continue;
        }
        if (wl_display_roundtrip(display) < 0)
            return 1;
        puts("ok");
    }
    wl_display_disconnect(display);
    return 0;
}
