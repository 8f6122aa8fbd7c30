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
as_user=("${player_user[@]}" env -i TYPHOROS_E2E_RUN="$token" PATH=/usr/bin:/bin LANG=C.UTF-8
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR"
  WAYLAND_DISPLAY="$WAYLAND_DISPLAY" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS")
as_player=("${as_user[@]}" QT_QPA_PLATFORM=wayland ASAN_OPTIONS=detect_leaks=0)
# Run from the scratch folder, which the player's user can enter wherever
# the build tree lies.
cp "$pointer_program" "$work/wl_pointer"
own() { give_to_player "$work"; }
own
start_sway_input "$work/wl_pointer" "${as_user[@]}" || { echo "the virtual pointer did not start"; exit 1; }

# keeps_keyboard NAME BOX: with BOX open, a click on the game window (the
# top left of the play field, which no box covers) leaves BOX in front with
# the keyboard.
keeps_keyboard() {
  check "$1 has the keyboard" wait_for focused_is "$2"
  click 40 40
  sleep 0.5
  check "$1 keeps the keyboard after a click on the game" wait_for focused_is "$2"
  [[ -n $raises_activated ]] && check "$1 is back on top" wait_for on_top "$2"
}

quit_game() {
  click $EXIT
  wait_exit_code
}

case $mode in
windows)
  echo "== natively on Wayland: Enter starts, a hit"
  new_folder
  printf '[Setup]\r\nSoundOn=True\r\n' > "$folder/Typhoros.ini"
  own
  check "window appears" start_game
  check "natively, not through XWayland" [ "$(view_field "$main_window" 5)" = xdg_shell ]
  check "client area is 755x543" [ "$(view_field "$main_window" 4)" = 755x543 ]
  press Return
  check "Enter in the answer box starts a game" wait_for cues_have "Down.wav 100"
  type_text ab
  press Return
  check "the shot hits" wait_for grep -qE "^(OK|red|bule)\.wav" "$folder/cues.log"
  click $EXIT
  quit_game
  check "the game ends with 0" [ $? -eq 0 ]

  echo "== the name prompt survives a click on the game"
  new_folder
  printf '[Setup]\r\nSoundOn=True\r\n' > "$folder/Typhoros.ini"
  own
  start_game
  click $LEVEL3
  click $START
  check "the first tick gives out questions" wait_for cues_have "Down.wav 100"
  click $ANSWER
  type_text ab
  press Return
  patience=40 check "a landing asks for the name" wait_for window_named 'ハイスコア'
  keeps_keyboard "the name prompt" "$(view_named 'ハイスコア')"
  type_text たろう
  press Return
  check "the name typed afterwards is stored" wait_for file_has "$folder/Typhoros.ini" "$(printf '^Holder1=\x82\xbd\x82\xeb\x82\xa4\r')"
  check "the prompt closes" wait_for count_is 'ハイスコア' 0
  quit_game

  echo "== the Geme Over box survives a click on the game"
  new_folder
  table=$'[HiScore]\r\n'
  for n in 1 2 3 4 5; do table+="Score$n=99999"$'\r\n'"Holder$n=X"$'\r\n'"Date$n=2020/01/01 00:00"$'\r\n'; done
  printf '%s' "$table" > "$folder/Typhoros.ini"
  own
  start_game
  click $LEVEL3
  click $START
  patience=40 check "the Geme Over box appears" wait_for count_is '^Typhoros$' 2
  keeps_keyboard "the Geme Over box" "$(view_named '^Typhoros$' "$main_window")"
  press Return
  check "Enter closes it" wait_for count_is '^Typhoros$' 1
  quit_game

  echo "== the settings dialog survives a click on the game"
  new_folder
  own
  start_game
  click $SETUP
  check "the settings dialog opens" wait_for window_named '^設定$'
  dialog=$(view_named '^設定$')
  keeps_keyboard "the settings dialog" "$dialog"
  # Keys only: sway 1.7 gives the dialog the keyboard back but leaves the
  # clicked game window stacked over it. From 設定 (the first stop) three
  # tabs reach "ON", space sets it, one more tab wraps round to 設定, and
  # space presses it.
  press Tab Tab Tab space Tab space
  check "the dialog closes" wait_for count_is '^設定$' 0
  check "the switch is stored" wait_for file_has "$folder/Typhoros.ini" $'SoundOn=True\r'
  quit_game
  ;;
ime-module | text-input)
  echo "== Mozc on fcitx5 through $mode"
  new_folder
  ime_questions
  own
  "${as_user[@]}" fcitx5 --disable=all --enable=dbus,dbusfrontend,keyboard,wayland,waylandim,mozc 2>"$work/ime.log" &
  engine_ready() { grep -q "Loaded addon mozc" "$work/ime.log"; }
  [[ $mode == ime-module ]] && as_player+=(QT_IM_MODULE=fcitx)
  check "window appears" start_game
  click $ANSWER
  patience=30 check "Mozc is loaded" wait_for engine_ready
  answer_ime_questions
  quit_game
  check "the game ends with 0" [ $? -eq 0 ]
  ;;
*) echo "usage: wayland.sh GAME_DIR WL_POINTER windows|ime-module|text-input"; exit 2 ;;
esac

stop_tagged
check "no process of the run is left" [ -z "$(tagged_pids)" ]
finish
