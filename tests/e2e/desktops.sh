#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End-to-end tests under the desktops most players run, natively on Wayland:
# GNOME (gnome-shell, Mozc on IBus) and KDE Plasma (kwin_wayland, Mozc on
# fcitx5), each run headless inside the scratch root that
# tests/harness/desktop-root.sh builds, so that nothing reaches the desktop
# session of the machine the tests run on. The checks are those of the sway
# runs (wayland-checks.sh):
#   windows  the game plays; the name prompt, the "Geme Over" box and the
#            settings dialog keep the player's keys after a click on the
#            game window; on GNOME, the frame Qt draws is the game's own
#            (its title, a close button that ends the game, no maximise)
#   mozc     the questions answered through Mozc (on GNOME with Qt 6.4
#            through Qt's ibus module, as a player there must set it; from
#            Qt 6.7 through the text-input protocol; on KDE through
#            text-input, the way kwin offers fcitx5)
# The compositor, the input method and the game run as nobody.
#
# Usage (as root): desktops.sh GAME_DIR ROOT KWIN_FAKE_INPUT gnome|kde windows|mozc
set -uo pipefail

if [[ -z ${TYPHOROS_IN_DESKTOP_ROOT:-} ]]; then
  # Outside: what the run needs is copied into the root, and the script runs
  # again in there.
  [[ $# -eq 5 ]] || { echo "usage: desktops.sh GAME_DIR ROOT KWIN_FAKE_INPUT gnome|kde windows|mozc"; exit 2; }
  source_dir=$(cd "$(dirname "$0")/../.." && pwd)
  root=$2
  [[ -x $root/usr/bin/gnome-shell ]] || { echo "no desktop root at $root"; exit 1; }
  run=$(mktemp -d "$root/tmp/e2e.XXXXXX")
  mkdir -p "$run/src/tests" "$run/game"
  cp -r "$source_dir/tests/e2e" "$source_dir/tests/harness" "$run/src/tests/"
  cp "$1/typhoros" "$run/game/"
  [[ -d $1/wayland-decoration-client ]] && cp -r "$1/wayland-decoration-client" "$run/game/"
  cp "$3" "$run/kwin_fake_input"
  inside=${run#"$root"}
  "$source_dir/tests/harness/desktop-root.sh" run "$root" TYPHOROS_IN_DESKTOP_ROOT=1 \
    bash "$inside/src/tests/e2e/desktops.sh" "$inside/game" / "$inside/kwin_fake_input" "$4" "$5"
  status=$?
  rm -rf "$run"
  exit $status
fi

game_dir=$1
fake_input_program=$3
desktop=$4
mode=$5
display=wayland
source "$(dirname "$0")/lib.sh"

# gnome-shell needs the system bus.
mkdir -p /run/dbus
dbus-daemon --system --fork || { echo "the system bus did not start"; exit 1; }
home="$work/home"
configure_mozc "$home"
stop_more=stop_tagged
export XDG_RUNTIME_DIR=$work/runtime
as_user=("${player_user[@]}" env -i TYPHOROS_E2E_RUN="$token" PATH=/usr/bin:/bin LANG=C.UTF-8
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
  XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus")
own() { give_to_player "$work"; }
# The Qt the game runs on, and whether it is at least VERSION.
qt_version() { ls /usr/lib/x86_64-linux-gnu/libQt6Core.so.6.* | sed 's/.*\.so\.//'; }
qt_at_least() { [[ $(printf '%s\n%s\n' "$1" "$(qt_version)" | sort -V | head -1) == "$1" ]]; }
# Neither desktop lets a client type what the keyboard layout lacks.
name_keys=taro
name_stored=taro
stacking_checked=yes
source "$(dirname "$0")/../harness/$desktop.sh"
source "$(dirname "$0")/wayland-checks.sh"

# Mozc off but for the Mozc checks: the keys are the player's Latin ones.
[[ $mode == mozc ]] || printf '[Behavior]\nActiveByDefault=False\n' > "$home/.config/fcitx5/config"
echo "== $desktop ($("${desktop}_version")), Qt $(qt_version)"
"${desktop}_start" || { echo "FAIL: $desktop did not start"; exit 1; }
as_player=("${as_user[@]}" QT_QPA_PLATFORM=wayland ASAN_OPTIONS=detect_leaks=0)

case $mode in
windows)
  windows_checks
  [[ $desktop == gnome ]] && gnome_frame_checks
  ;;
mozc)
  "${desktop}_mozc_setup"
  mozc_checks
  ;;
*) echo "usage: desktops.sh GAME_DIR ROOT KWIN_FAKE_INPUT gnome|kde windows|mozc"; exit 2 ;;
esac

stop_tagged
check "no process of the run is left" [ -z "$(tagged_pids)" ]
finish
