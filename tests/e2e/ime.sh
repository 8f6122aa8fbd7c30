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

token="typhoros-ime-$$-$RANDOM"
home="$work/home"
mkdir -p "$home/.config/mozc" "$home/.config/fcitx5" "$home/runtime"
chmod 700 "$home/runtime"

# The processes of this run, found by the token in their environment.
tagged_pids() {
  local environ
  for environ in /proc/[0-9]*/environ; do
    grep -qz "^TYPHOROS_IME_RUN=$token\$" "$environ" 2>/dev/null && { environ=${environ#/proc/}; echo "${environ%/environ}"; }
  done
}
stop_tagged() {
  local pids
  pids=$(tagged_pids)
  [[ -n "$pids" ]] && kill $pids 2>/dev/null
  for _ in $(seq 50); do [[ -z "$(tagged_pids)" ]] && return; sleep 0.1; done
  pids=$(tagged_pids)
  [[ -n "$pids" ]] && kill -9 $pids 2>/dev/null
}
stop_more=stop_tagged

user=()
[[ $(id -u) -eq 0 ]] && user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
start_private_bus "$work/session-bus" "${user[@]}"
as_user=("${user[@]}" env -i TYPHOROS_IME_RUN="$token" PATH=/usr/bin:/bin LANG=C.UTF-8
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime" DISPLAY="$DISPLAY"
  DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS")

# Mozc in hiragana from the start, on either framework.
cat > "$home/.config/mozc/ibus_config.textproto" <<'EOF'
engines { name: "mozc-jp" longname: "Mozc" layout: "default" rank: 80 }
active_on_launch: True
EOF
printf '[Behavior]\nActiveByDefault=True\n' > "$home/.config/fcitx5/config"
cat > "$home/.config/fcitx5/profile" <<'EOF'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-us

[Groups/0/Items/1]
Name=mozc

[GroupOrder]
0=Default
EOF

new_folder
# ねこ, 漢字, ね～ and ー￥ in code page 932, one per level.
printf '\x82\xcb\x82\xb1\r\n' > "$folder/Mondai0.txt"
printf '\x8a\xbf\x8e\x9a\r\n' > "$folder/Mondai1.txt"
printf '\x82\xcb\x81\x60\r\n' > "$folder/Mondai2.txt"
printf '\x81\x5b\x81\x8f\r\n' > "$folder/Mondai3.txt"
printf '[Setup]\r\nSoundOn=True\r\n' > "$folder/Typhoros.ini"
[[ ${#user[@]} -gt 0 ]] && chown -R nobody:nogroup "$work"

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

shots() { grep -cE '^(OK|NG|red|bule)\.wav' "$folder/cues.log" 2>/dev/null; }
shots_over() { [ "$(shots)" -gt "$1" ]; }
last_shot() { grep -E '^(OK|NG|red|bule)\.wav' "$folder/cues.log" | tail -1; }
# Share of dark pixels in the answer box: the composition is drawn inline.
box_ink() {
  import -window root -crop "620x30+$((origin_x + 20))+$((origin_y + 500))" png:- 2>/dev/null |
    convert - -colorspace gray -threshold 50% -format '%[fx:1-mean]' info:
}
inked() { awk -v ink="$(box_ink)" 'BEGIN { exit !(ink > 0.005) }'; }

# answer LEVEL NAME KEY...: starts a game at LEVEL, types KEYS (romaji, and
# Space to convert) into the answer box, commits with Enter and shoots.
answer() {
  local level=$1 name=$2
  shift 2
  click $level
  click $START
  check "$name: the game runs" wait_for cues_have "Down.wav 100"
  click $ANSWER
  local before
  before=$(shots)
  xdotool key --delay 150 "$@"
  sleep 0.5
  check "$name: the composition shows in the box" inked
  xdotool key Return # commits the composition
  sleep 0.8
  check "$name: the committing Enter shoots nothing" [ "$(shots)" -eq "$before" ]
  check "$name: the committed text stays in the box" inked
  xdotool key Return
  check "$name: the next Enter shoots" wait_for shots_over "$before"
  check "$name: and hits" grep -qE '^(OK|red|bule)\.wav' <<<"$(last_shot)"
  click $EXIT # stops the game; nothing is recorded
}

answer "$LEVEL0" "ねこ typed as neko" n e k o
answer "$LEVEL1" "漢字 converted from kanji" k a n j i space space
answer "$LEVEL2" "ね～ typed as ne~ (Mozc commits 〜)" n e asciitilde
answer "$LEVEL3" "ー￥ typed as - and \\" minus backslash

click $EXIT
wait_exit_code
check "the game ends with 0" [ $? -eq 0 ]
stop_tagged
check "no process of the run is left" [ -z "$(tagged_pids)" ]
finish
