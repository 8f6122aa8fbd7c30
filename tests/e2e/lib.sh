# SPDX-License-Identifier: MIT
# Shared helpers of the end-to-end tests: a private Xvfb, checks and their
# count, a program folder with a stand-in sound player, starting the game and
# clicking its controls. Sourced by e2e.sh and ime.sh after `game_dir` is set.
# Everything started here is stopped by process id on exit.

work=$(mktemp -d)
chmod 755 "$work"
failures=0
passes=0
xvfb_pid=
game_pid=
bus_pid=
# A test that starts more processes sets this to a function that stops them.
stop_more=

stop_everything() {
  [[ -n "$game_pid" ]] && kill "$game_pid" 2>/dev/null
  [[ -n "$stop_more" ]] && "$stop_more"
  [[ -n "$bus_pid" ]] && kill "$bus_pid" 2>/dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap stop_everything EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/desktop.sh"
start_xvfb || { echo "Xvfb did not start"; exit 1; }
export QT_QPA_PLATFORM=xcb
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

check() { # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then passes=$((passes + 1)); else echo "FAIL: $name"; failures=$((failures + 1)); fi
}

finish() {
  echo "$passes passed, $failures failed"
  [[ $failures -eq 0 ]]
}

# A program folder with the built program, single-question banks and a
# stand-in sound player that records its command line.
new_folder() {
  folder="$work/game$RANDOM"
  mkdir -p "$folder"
  cp "$game_dir/typhoros" "$folder/"
  for level in 0 1 2 3; do printf 'ab\r\n' > "$folder/Mondai$level.txt"; done
  printf '#!/bin/sh\necho "$*" >> "$(dirname "$0")/cues.log"\n' > "$folder/Chirp.exe"
  chmod +x "$folder/Chirp.exe"
}

# Starts the game in the folder (or `game_command`, an installed one); a
# test may run it through `as_player`.
as_player=()
game_command=
start_game() {
  (cd "$work" && exec "${as_player[@]}" "${game_command:-$folder/typhoros}" 2>"$folder/stderr.log") &
  game_pid=$!
  main_window=
  wait_for window_named '^Typhoros$' && main_window=$(xdotool search --onlyvisible --name '^Typhoros$' | head -1)
  # A game that never showed its window says why on stderr.
  [[ -n "$main_window" ]] || { cat "$folder/stderr.log"; return 1; }
  read -r origin_x origin_y < <(window_origin "$main_window")
  xdotool windowfocus "$main_window" 2>/dev/null
  return 0
}

window_named() { xdotool search --onlyvisible --name "$1" >/dev/null; }
windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l; }
count_is() { [ "$(windows_named "$1")" -eq "$2" ]; }
click() { xdotool mousemove --sync $((origin_x + $1)) $((origin_y + $2)) click 1; }
client_size() { xwininfo -id "$1" | awk '/^  Width/ {w=$2} /^  Height/ {h=$2} END {print w "x" h}'; }
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
  game_pid=
  return $code
}
