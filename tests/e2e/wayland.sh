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
needs sway
[[ $mode == windows ]] || needs fcitx5 fcitx5-mozc fcitx5-frontend-qt6 mozc-server

source "$harness/sway.sh"

home="$work/home"
configure_mozc "$home"
stop_more=stop_tagged
start_private_bus "$work/session-bus" "${player_user[@]}"
start_sway "$work/runtime" "${player_user[@]}" env TYPHOROS_E2E_RUN="$token" || { echo "sway did not start"; exit 1; }
raises_activated=$(sway_raises_activated && echo yes)
as_user=("${player_user[@]}" env -i TYPHOROS_E2E_RUN="$token" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_SESSION_TYPE=wayland
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR"
  WAYLAND_DISPLAY="$WAYLAND_DISPLAY" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS")
# Qt chooses its platform as in a player's session (natively, which the
# checks see).
as_player=("${as_user[@]}" ASAN_OPTIONS=detect_leaks=0)
# Run from the scratch folder, which the player's user can enter wherever
# the build tree lies.
cp "$pointer_program" "$work/wl_pointer"
own() { give_to_player "$work"; }
own
start_sway_input "$work/wl_pointer" "${as_user[@]}" || { echo "the virtual pointer did not start"; exit 1; }

# sway hands the keyboard to a box that asks for it (the harness's sway
# honours activation requests); 1.7 does so without raising it.
activation_honoured=yes
stacking_checked=$raises_activated
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
