#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End-to-end tests in a Wayland session: the built program runs natively
# (Qt's wayland platform) under a real compositor, sway run headless, and is
# driven by a virtual keyboard (wtype) and a virtual pointer (wl_pointer).
#   windows     the game plays; the name prompt, the "Geme Over" box and the
#               settings dialog keep the keyboard when the game window is
#               clicked while they are open, and what is typed there counts
#   ime-module  Mozc on fcitx5, reached through Qt's fcitx input-method module
#   text-input  Mozc on fcitx5 as the compositor's input method, reached
#               through the text-input protocol (Qt 6.7 and later)
# The compositor, the input method and the game run as one unprivileged user
# (nobody, when started as root), as in the other input-method tests.
#
# Usage: wayland.sh GAME_DIR WL_POINTER windows|ime-module|text-input
set -uo pipefail
game_dir=$(cd "$1" && pwd)
pointer_program=$2
mode=$3
display=wayland
source "$(dirname "$0")/lib.sh"

home="$work/home"
configure_mozc "$home"
stop_more=stop_tagged
user=()
[[ $(id -u) -eq 0 ]] && user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
start_private_bus "$work/session-bus" "${user[@]}"
start_sway "$work/runtime" "${user[@]}" env TYPHOROS_E2E_RUN="$token" || { echo "sway did not start"; exit 1; }
# sway hands the keyboard to a box that asks for it (the harness's sway
# honours activation requests); 1.7 does so without raising it, later
# versions raise it too.
activation_honoured=yes
read -r _ _ sway_version _ < <(sway --version)
stacking_checked=$([[ $(printf '1.7\n%s\n' "$sway_version" | sort -V | tail -1) != 1.7 ]] && echo yes)
as_user=("${user[@]}" env -i TYPHOROS_E2E_RUN="$token" PATH=/usr/bin:/bin LANG=C.UTF-8
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR"
  WAYLAND_DISPLAY="$WAYLAND_DISPLAY" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS")
as_player=("${as_user[@]}" QT_QPA_PLATFORM=wayland ASAN_OPTIONS=detect_leaks=0)
# Run from the scratch folder, which the player's user can enter wherever
# the build tree lies.
cp "$pointer_program" "$work/wl_pointer"
pointer_program=$work/wl_pointer
own() { [[ ${#user[@]} -gt 0 ]] && chown -R nobody:nogroup "$work"; return 0; }
own

# One virtual keyboard stays plugged in for the whole run: a keyboard added
# and removed for every key would take the focus away between keys.
"${as_user[@]}" wtype -s 3600000 &
# The virtual pointer, also for the whole run. The seat offers a pointer only
# once it has moved, and a game that meets a pointerless seat hears of the
# pointer too late for the first click: so it moves before any game starts.
coproc pointer { exec "${as_user[@]}" "$pointer_program"; }
pointer_do() { # COMMAND: one command, done once the compositor has it
  local reply
  echo "$1" >&"${pointer[1]}" && read -r -t 5 reply <&"${pointer[0]}" && [[ $reply == ok ]]
}
pointer_do "move 1 1" || { echo "the virtual pointer did not start"; exit 1; }

# The compositor's windows, one a line: id, focused, client-area origin,
# client size, shell, title.
views() {
  swaymsg -t get_tree | jq -r '.. | objects | select(.pid? != null)
    | "\(.id)\t\(.focused)\t\(.rect.x + .window_rect.x) \(.rect.y + .window_rect.y)\t\(.window_rect.width)x\(.window_rect.height)\t\(.shell)\t\(.name)"'
}
# view_named REGEX [NOT_ID]: the newest window whose title matches, but NOT_ID.
# The window drawn over every other floating one: the workspace's last.
on_top() { [[ "$(swaymsg -t get_tree | jq -r '[.. | objects | select(.type? == "workspace" and .name != "__i3_scratch") | .floating_nodes[]?.id] | last')" == "$1" ]]; }
# click_at X Y: a click at a point of the screen. The pointer comes from a
# pixel away, as a hand moves it: a window that opened under a pointer that
# has not moved since does not know it is there.
click_at() { pointer_do "move $(($1 - 1)) $(($2 - 1))" && pointer_do "move $1 $2" && pointer_do click; }
press() { local key; for key; do "${as_user[@]}" wtype -k "$key"; sleep 0.15; done; }
type_text() { "${as_user[@]}" wtype -d 60 "$1"; }
box_ink() {
  grim -g "$((origin_x + 20)),$((origin_y + 500)) 620x30" - 2>/dev/null |
    convert - -colorspace gray -threshold 50% -format '%[fx:1-mean]' info:
}
source "$(dirname "$0")/wayland-checks.sh"

case $mode in
windows)
  windows_checks
  ;;
ime-module | text-input)
  echo "== Mozc on fcitx5 through $mode"
  "${as_user[@]}" fcitx5 --disable=all --enable=dbus,dbusfrontend,keyboard,wayland,waylandim,mozc 2>"$work/ime.log" &
  engine_ready() { grep -q "Loaded addon mozc" "$work/ime.log"; }
  [[ $mode == ime-module ]] && as_player+=(QT_IM_MODULE=fcitx)
  mozc_checks
  ;;
*) echo "usage: wayland.sh GAME_DIR WL_POINTER windows|ime-module|text-input"; exit 2 ;;
esac

stop_tagged
check "no process of the run is left" [ -z "$(tagged_pids)" ]
finish
