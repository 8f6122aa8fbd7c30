#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End-to-end test through a real input method: Mozc on IBus or on fcitx5, as
# a Japanese desktop has it. Only key events reach the game: romaji typed
# shows inline as a composition, the Enter that commits it is the input
# method's and shoots nothing, the next Enter shoots. Each level's question
# file holds one question that Mozc commits other characters for (漢字 by
# conversion, ～ for Mozc's 〜, ー and ￥).
#
# Mozc refuses to run as root, so the input method and the game run as one
# unprivileged user (nobody, when started as root) on a private D-Bus that
# starts nothing by itself. Every process of the run carries a token in its
# environment, by which exactly those processes are stopped at the end.
#
# Usage: ime.sh GAME_DIR ibus|fcitx5
set -uo pipefail
game_dir=$(cd "$1" && pwd)
framework=$2
source "$(dirname "$0")/lib.sh"
case $framework in
  ibus) needs ibus ibus-mozc mozc-server ;;
  fcitx5) needs fcitx5 fcitx5-mozc fcitx5-frontend-qt6 mozc-server ;;
esac

home="$work/home"
mkdir -p "$home/runtime"
chmod 700 "$home/runtime"
configure_mozc "$home"
stop_more=stop_tagged

start_private_bus "$work/session-bus" "${player_user[@]}"
as_user=("${player_user[@]}" env -i TYPHOROS_E2E_RUN="$token" PATH=/usr/bin:/bin LANG=C.UTF-8
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime" DISPLAY="$DISPLAY"
  DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS")

new_folder
ime_questions
give_to_player "$work"

echo "== Mozc on $framework"
case $framework in
  ibus)
    "${as_user[@]}" ibus-daemon --replace --panel=disable --xim 2>"$work/ime.log" &
    engine_ready() { "${as_user[@]}" ibus engine 2>/dev/null | grep -qx mozc-jp; }
    patience=30 wait_for "${as_user[@]}" sh -c 'ibus list-engine | grep -q mozc-jp'
    "${as_user[@]}" ibus engine mozc-jp 2>/dev/null # exits 1 even when it worked
    check "IBus runs Mozc" engine_ready
    as_player=("${as_user[@]}" QT_IM_MODULE=ibus QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0)
    ;;
  fcitx5)
    "${as_user[@]}" fcitx5 --disable=all --enable=dbus,dbusfrontend,keyboard,xcb,mozc 2>"$work/ime.log" &
    engine_ready() { grep -q "Loaded addon mozc" "$work/ime.log"; }
    as_player=("${as_user[@]}" QT_IM_MODULE=fcitx QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0)
    ;;
  *) echo "usage: ime.sh GAME_DIR ibus|fcitx5"; exit 2 ;;
esac

check "window appears" start_game
click $ANSWER
# fcitx5 loads Mozc when the answer box first takes the focus.
patience=30 check "Mozc is loaded" wait_for engine_ready

answer_ime_questions

click $EXIT
wait_exit_code
check "the game ends with 0" [ $? -eq 0 ]
stop_tagged
check "no process of the run is left" [ -z "$(tagged_pids)" ]
finish
