# SPDX-License-Identifier: MIT
# Shared helpers of the end-to-end tests: a private Xvfb, checks and their
# count, a program folder with a stand-in sound player, starting the game and
# clicking its controls, answering through an input method. Sourced by the
# tests after `game_dir` is set; a Wayland test sets `display=wayland` first
# and starts a compositor driver of tests/harness/ (its `views` feed the
# window helpers here). Everything started here is stopped by process id on
# exit.

# needs PACKAGE...: a test that needs these Debian packages and meets a
# machine without them reports itself skipped (exit 77), naming them.
# scripts/deps installs them only where they cannot change a desktop session.
needs() {
  local p missing=()
  for p; do
    [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) == "install ok installed" ]] || missing+=("$p")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "not run: needs ${missing[*]} (scripts/deps installs them with CI=true; scripts/in-debian 12 scripts/test runs this in a scratch root)"
  exit 77
}

work=$(mktemp -d)
chmod 755 "$work"
failures=0
passes=0
xvfb_pid=
game_pid=
bus_pid=
# A test that starts more processes sets this to a function that stops them.
stop_more=
lock_holders=()

stop_everything() {
  [[ -n "$game_pid" ]] && kill "$game_pid" 2>/dev/null
  [[ -n "$stop_more" ]] && "$stop_more"
  [[ ${#lock_holders[@]} -eq 0 ]] || release_lock
  [[ -n "$bus_pid" ]] && kill "$bus_pid" 2>/dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap stop_everything EXIT

harness="$(dirname "${BASH_SOURCE[0]}")/../harness"
source "$harness/user.sh"
source "$harness/bus.sh"
source "$(dirname "${BASH_SOURCE[0]}")/controls.sh"
if [[ ${display:-x11} == x11 ]]; then
  source "$harness/xvfb.sh"
  start_xvfb || { echo "Xvfb did not start"; exit 1; }
  export QT_QPA_PLATFORM=xcb
fi
# xdotool turns the text it types into characters by the locale.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export ASAN_OPTIONS=detect_leaks=0

# Waits until "$@" succeeds, for at most $patience seconds (an invader may
# take 18 s to land at level 3, 55 s at level 1).
patience=15
wait_for() {
  local deadline=$((SECONDS + patience))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.02
  done
}

# hold_lock FILE...: another program holds the lock on each FILE (an
# exclusive flock) until release_lock or the end of the test.
hold_lock() {
  local file
  for file; do
    flock -o "$file" sh -c 'echo $$ >"$1"; exec sleep 600' sh "$work/holder$RANDOM.pid" >/dev/null 2>&1 &
    lock_holders+=($!)
  done
  sleep 0.2
}
release_lock() {
  kill "${lock_holders[@]}" $(cat "$work"/holder*.pid 2>/dev/null) 2>/dev/null
  rm -f "$work"/holder*.pid
  lock_holders=()
}

check() { # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then passes=$((passes + 1)); else echo "FAIL: $name"; failures=$((failures + 1)); fi
}

finish() {
  echo "$passes passed, $failures failed"
  [[ $failures -eq 0 ]]
}

# A program folder with the built program (and its window frame where it was
# built), single-question banks and a stand-in sound player that records its
# command line.
new_folder() {
  folder="$work/game$RANDOM"
  mkdir -p "$folder"
  cp "$game_dir/typhoros" "$folder/"
  [[ -d $game_dir/wayland-decoration-client ]] && cp -r "$game_dir/wayland-decoration-client" "$folder/"
  for level in 0 1 2 3; do printf 'ab\r\n' > "$folder/Mondai$level.txt"; done
  printf '#!/bin/sh\necho "$*" >> "$(dirname "$0")/cues.log"\n' > "$folder/Chirp.exe"
  chmod +x "$folder/Chirp.exe"
}

# Starts the game in the folder (or `game_command`, an installed one); a
# test may run it through `as_player`. Sets main_window and the origin of
# its client area.
as_player=()
game_command=
start_game() {
  (cd "$work" && exec "${as_player[@]}" "${game_command:-$folder/typhoros}" 2>"$folder/stderr.log") &
  game_pid=$!
  game_shown
}
# game_shown: waits for the game's window, however the game was started;
# sets main_window and the origin of its client area.
game_shown() {
  main_window=
  wait_for window_named '^Typhoros$' && main_window=$(window_id '^Typhoros$')
  # A game that never showed its window says why on stderr.
  [[ -n "$main_window" ]] || { cat "$folder/stderr.log"; return 1; }
  if [[ ${display:-x11} == x11 ]]; then
    read -r origin_x origin_y < <(window_origin "$main_window")
    xdotool windowfocus "$main_window" 2>/dev/null
  else
    # A compositor may show a window before it places it: the origin counts
    # once it holds still.
    local placed=
    until [[ $placed == "$(view_field "$main_window" 3)" ]]; do
      placed=$(view_field "$main_window" 3)
      sleep 0.3
    done
    read -r origin_x origin_y <<<"$placed"
    # A compositor may leave a window it was not asked to activate without
    # the keyboard (GNOME does): the player clicks it first.
    focused_is "$main_window" || click 40 40
  fi
  return 0
}

if [[ ${display:-x11} == x11 ]]; then
  window_id() { xdotool search --onlyvisible --name "$1" | head -1; }
  window_named() { xdotool search --onlyvisible --name "$1" >/dev/null; }
  windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l; }
  client_size() { xwininfo -id "$1" | awk '/^  Width/ {w=$2} /^  Height/ {h=$2} END {print w "x" h}'; }
else
  # From the driver's `views`. view_named REGEX [NOT_ID]: the newest window
  # whose title matches, but NOT_ID.
  view_named() { views | awk -F'\t' -v re="$1" -v not="${2:-}" '$6 ~ re && $1 != not { id = $1 } END { if (id == "") exit 1; print id }'; }
  view_field() { views | awk -F'\t' -v id="$1" -v n="$2" '$1 == id { print $n }'; }
  window_id() { view_named "$1"; }
  window_named() { view_named "$1" >/dev/null; }
  windows_named() { views | awk -F'\t' -v re="$1" '$6 ~ re' | wc -l; }
  focused_is() { [[ "$(views | awk -F'\t' '$2 == "true" { print $1 }')" == "$1" ]]; }
fi
count_is() { [ "$(windows_named "$1")" -eq "$2" ]; }
click() { click_at $((origin_x + $1)) $((origin_y + $2)); }
game_ended() { ! kill -0 "$game_pid" 2>/dev/null; }
file_has() { grep -q -- "$2" "$1" 2>/dev/null; }
cues_have() { file_has "$folder/cues.log" "$1"; }

wait_exit_code() {
  if ! wait_for game_ended; then
    kill -9 "$game_pid" 2>/dev/null
    game_pid=
    return 99
  fi
  wait "$game_pid" 2>/dev/null
  local code=$?
  # Its window is gone, and the X server may give its id to the next game.
  game_pid= main_window=
  return $code
}

# configure_mozc HOME: Mozc in hiragana from the start, on IBus and on fcitx5.
configure_mozc() {
  mkdir -p "$1/.config/mozc" "$1/.config/fcitx5"
  cat > "$1/.config/mozc/ibus_config.textproto" <<'EOF'
engines { name: "mozc-jp" longname: "Mozc" layout: "default" rank: 80 }
active_on_launch: True
EOF
  printf '[Behavior]\nActiveByDefault=True\n' > "$1/.config/fcitx5/config"
  cat > "$1/.config/fcitx5/profile" <<'EOF'
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
}

shots() { grep -cE '^(OK|NG|red|bule)\.wav' "$folder/cues.log" 2>/dev/null; }
shots_over() { [ "$(shots)" -gt "$1" ]; }
last_shot() { grep -E '^(OK|NG|red|bule)\.wav' "$folder/cues.log" | tail -1; }
# The answer box holds ink (a composition or committed text): `box_ink` is
# the share of dark pixels there, drawn by the display's `grab` (or the
# driver's own box_ink), unless the driver sets `pictures=none` (a
# compositor that gives no screenshots).
box_ink() {
  grab "$((origin_x + 20)),$((origin_y + 500))" 620x30 |
    convert - -colorspace gray -threshold 50% -format '%[fx:1-mean]' info:
}
inked() { awk -v ink="$(box_ink)" 'BEGIN { exit !(ink > 0.005) }'; }

# answer_through_ime LEVEL NAME KEY...: starts a game at LEVEL, presses KEYS
# (romaji, and space to convert) in the answer box through the input method,
# commits with Return and shoots. `press KEY...` (the display's) types keys.
answer_through_ime() {
  local level=$1 name=$2 before
  shift 2
  click $level
  before=$(descents)
  click $START
  # A descent of this game's own: the cue log also holds the earlier games'.
  check "$name: the game runs" wait_for descents_over "$before"
  click $ANSWER
  before=$(shots)
  press "$@"
  sleep 0.5
  [[ ${pictures:-} == none ]] || check "$name: the composition shows in the box" inked
  # A check the caller wants made while the composition is open.
  [[ -z ${while_composing:-} ]] || "$while_composing"
  press Return # commits the composition
  sleep 0.8
  check "$name: the committing Enter shoots nothing" [ "$(shots)" -eq "$before" ]
  [[ ${pictures:-} == none ]] || check "$name: the committed text stays in the box" inked
  press Return
  check "$name: the next Enter shoots" wait_for shots_over "$before"
  check "$name: and hits" grep -qE '^(OK|red|bule)\.wav' <<<"$(last_shot)"
  click $EXIT # stops the game; nothing is recorded
}
descents() { cat "$folder/cues.log" 2>/dev/null | grep -c '^Down\.wav'; }
descents_over() { [ "$(descents)" -gt "$1" ]; }

# ime_questions: the folder's question files hold one question per level
# that Mozc commits other characters for (漢字 by conversion, ～ for Mozc's 〜,
# ー and ￥), in code page 932; the sound is on.
ime_questions() {
  printf '\x82\xcb\x82\xb1\r\n' > "$folder/Mondai0.txt" # ねこ
  printf '\x8a\xbf\x8e\x9a\r\n' > "$folder/Mondai1.txt" # 漢字
  printf '\x82\xcb\x81\x60\r\n' > "$folder/Mondai2.txt" # ね～
  printf '\x81\x5b\x81\x8f\r\n' > "$folder/Mondai3.txt" # ー￥
  printf '[Setup]\r\nSoundOn=True\r\n' > "$folder/Typhoros.ini"
}
# answer_ime_questions: each of those answered through the input method,
# each in a program of its own: a miss leaves its text in the answer box,
# which the next question must not meet.
answer_ime_questions() {
  answer_through_ime "$LEVEL0" "ねこ typed as neko" n e k o
  next_program
  answer_through_ime "$LEVEL1" "漢字 converted from kanji" k a n j i space space
  next_program
  answer_through_ime "$LEVEL2" "ね～ typed as ne~ (Mozc commits 〜)" n e asciitilde
  next_program
  answer_through_ime "$LEVEL3" "ー￥ typed as - and \\" minus backslash
}
next_program() {
  click $EXIT
  wait_exit_code
  check "the game ends with 0" [ $? -eq 0 ]
  check "the game starts again" start_game
}
