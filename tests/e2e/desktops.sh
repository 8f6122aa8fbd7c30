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
  chmod 755 "$run" # the player's home is in there
  mkdir -p "$run/src/tests" "$run/game"
  cp -r "$source_dir/tests/e2e" "$source_dir/tests/harness" "$run/src/tests/"
  cp "$1/typhoros" "$run/game/"
  [[ -d $1/wayland-decoration-client ]] && cp -r "$1/wayland-decoration-client" "$run/game/"
  cp "$3" "$run/kwin_fake_input"
  inside=${run#"$root"}
  # The game installed for the player as the README says, with the
  # player's home at the same place inside as the install expects.
  DESTDIR=$root cmake --install "$1/.." --prefix "$inside/home/.local" >/dev/null ||
    { echo "cmake --install failed"; exit 1; }
  "$source_dir/tests/harness/desktop-root.sh" run "$root" TYPHOROS_IN_DESKTOP_ROOT=1 TYPHOROS_PLAYER_HOME="$inside/home" \
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
home=$TYPHOROS_PLAYER_HOME
configure_mozc "$home"
stop_more=stop_tagged
export XDG_RUNTIME_DIR=$work/runtime
as_user=("${player_user[@]}" env -i TYPHOROS_E2E_RUN="$token" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_SESSION_TYPE=wayland
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
  XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus")
own() { give_to_player "$work" "$home"; }
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
# Qt chooses its platform as in a player's session (natively, which the
# checks see).
as_player=("${as_user[@]}" ASAN_OPTIONS=detect_leaks=0)

# menu_checks: the game as the player installed it (cmake --install
# --prefix ~/.local), started by the desktop from its entry, with the
# session's environment and nothing the test chose: the desktop knows the
# window by the entry, Mozc composes beside the answer box, the committing
# Enter shoots nothing and the next one hits.
app_id=io.github.typhoros.Typhoros
menu_checks() {
  echo "== started from the desktop's menu"
  folder=$home/.local/lib/typhoros
  ime_questions
  printf '#!/bin/sh\necho "$*" >> "$(dirname "$0")/cues.log"\n' > "$folder/Chirp.exe"
  own
  check "the desktop starts the entry" launch "$app_id.desktop"
  check "the game's window appears" game_shown || return
  game_pid=$(window_pid "$main_window")
  check "the desktop knows it as its entry" [ "$(window_app "$main_window")" = "$app_id.desktop" ]
  while_composing=candidates_at_the_box
  answer_through_ime "$LEVEL0" "from the menu: ねこ typed as neko" n e k o
  while_composing=
  click $SETUP
  check "the settings dialog opens over the game" wait_for over_the_game '^設定$'
  press Return # 設定, the dialog's first stop, closes it
  wait_for count_is '^設定$' 0
  click $EXIT
  check "the game ends" wait_for game_ended
}
# over_the_game TITLE: the window of that title has its middle on the game
# window's client area.
over_the_game() {
  local box x y w h
  box=$(view_named "$1") || return 1
  read -r x y <<<"$(view_field "$box" 3)"
  IFS=x read -r w h <<<"$(view_field "$box" 4)"
  ((x + w / 2 > origin_x && x + w / 2 < origin_x + 755 && y + h / 2 > origin_y && y + h / 2 < origin_y + 543))
}
# Where the candidate list opens when the test starts the game (once).
report_candidates() {
  sleep 0.5
  echo "   started by the test: the candidate list at (x y w h) $(candidate_list)," \
    "the answer box at $((origin_x + 20)),$((origin_y + 500))"
  while_composing=
}
# The candidate list opens beside the answer box (client 20..640 x
# 500..530), above or below it.
candidates_at_the_box() {
  list_beside_box() {
    local x y w h
    read -r x y w h <<<"$(candidate_list)"
    [[ -n $x ]] && ((x >= origin_x && x <= origin_x + 640 && y + h >= origin_y + 480 && y <= origin_y + 550))
  }
  check "the candidate list opens beside the answer box" wait_for list_beside_box
  echo "   the game through $(view_field "$main_window" 5), its answer box at $((origin_x + 20)),$((origin_y + 500));" \
    "the candidate list at (x y w h) $(candidate_list)"
}

case $mode in
windows)
  windows_checks
  [[ $desktop == gnome ]] && gnome_frame_checks
  ;;
mozc)
  "${desktop}_mozc_setup"
  while_composing=report_candidates
  mozc_checks
  menu_checks
  ;;
*) echo "usage: desktops.sh GAME_DIR ROOT KWIN_FAKE_INPUT gnome|kde windows|mozc"; exit 2 ;;
esac

stop_tagged
check "no process of the run is left" [ -z "$(tagged_pids)" ]
finish
