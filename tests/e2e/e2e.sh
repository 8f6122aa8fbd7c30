#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End-to-end tests in a real window: the built program folder, copied to a
# temporary directory with question files made for the test, runs under a
# private Xvfb and is driven only by real X events (xdotool). Checks are made
# only on what a player or a stored file can see: windows, the settings
# file's bytes and the command lines a stand-in sound player records.
#
# Usage: e2e.sh GAME_DIR
set -uo pipefail
game_dir=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"
start_private_bus "$work/session-bus"

has_focus() { [[ $(xdotool getwindowfocus 2>/dev/null) == "$1" ]]; }
# Focuses the newest visible window named $1 and types into it.
answer_box() {
  local box
  box=$(xdotool search --onlyvisible --name "$1" | grep -vx "${main_window:-none}" | tail -1)
  xdotool windowfocus "$box" 2>/dev/null
  # Keys sent before the focus arrives go to the window that had it.
  wait_for has_focus "$box"
  # Characters outside the keymap are typed by remapping a spare key; a
  # slow delay lets the program see each remapping before the key comes.
  [[ -n "${2:-}" ]] && xdotool type --delay 120 "$2"
  xdotool key Return
}

echo "== start and exit"
new_folder
check "window appears" start_game
check "client area is 755x543" [ "$(client_size "$main_window")" = "755x543" ]
click $EXIT
wait_exit_code; code=$?
check "exit button ends the program with 0" [ "$code" -eq 0 ]
check "no settings file created" [ ! -e "$folder/Typhoros.ini" ]

echo "== missing question file"
new_folder
rm "$folder/Mondai2.txt"
(cd "$work" && exec "$folder/typhoros" 2>"$folder/stderr.log") &
game_pid=$!
check "run-time error box appears" wait_for window_named '^Typhoros$'
check "no game window drawn" [ "$(windows_named '^Typhoros$')" -eq 1 ]
answer_box '^Typhoros$'
wait_exit_code; code=$?
check "exit code is the error's number" [ "$code" -eq 53 ]
check "report names the file" file_has "$folder/stderr.log" "Run-time error '53'.*Mondai2.txt"

echo "== level 3: won by typing, lost by a landing, name typed in Japanese"
new_folder
printf '[Setup]\r\nSoundOn=True\r\n' > "$folder/Typhoros.ini"
start_game
click $LEVEL3
click $START
check "first tick plays the descent cue" wait_for cues_have "Down.wav 100"
click $ANSWER
xdotool type --delay 20 "ab"
xdotool key Return
check "the shot hits" wait_for grep -qE "^(OK|red|bule)\.wav" "$folder/cues.log"
patience=40 check "a landing asks for the name" wait_for window_named 'ハイスコア'
check "high-score cue started before the prompt" cues_have "HighScore.wav 4000"
answer_box 'ハイスコア' 'たろう'
check "name stored" wait_for file_has "$folder/Typhoros.ini" "^Holder1="
check "score stored" grep -qE $'^Score1=[1-9][0-9]*\r$' "$folder/Typhoros.ini"
check "date stored in its pattern" grep -qE $'^Date1=[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}\r$' "$folder/Typhoros.ini"
check "name stored in code page 932" grep -q "$(printf 'Holder1=\x82\xbd\x82\xeb\x82\xa4\r')" "$folder/Typhoros.ini" ||
  grep -a '^Holder1=' "$folder/Typhoros.ini" | od -c | head -2
check "other ranks keep their defaults" grep -q $'^Holder5=Err\r$' "$folder/Typhoros.ini"
click $EXIT
wait_exit_code

echo "== two games on one table, both at the name prompt"
# Each game ranks; whichever answers first, both scores stay and each name
# is stored.
second_pid=
stop_second() { [[ -n "$second_pid" ]] && kill "$second_pid" 2>/dev/null; }
stop_more=stop_second
# Starts two games in one new folder, side by side: one_window, two_window.
start_two_games() {
  new_folder
  printf '[Setup]\r\nSoundOn=True\r\n' > "$folder/Typhoros.ini"
  start_game
  one_window=$main_window
  xdotool windowmove "$one_window" 0 0
  (cd "$work" && exec "$folder/typhoros" 2>"$folder/stderr-two.log") &
  second_pid=$!
  wait_for count_is '^Typhoros$' 2
  two_window=$(xdotool search --onlyvisible --name '^Typhoros$' | grep -vx "$one_window" | head -1)
  xdotool windowmove "$two_window" 500 460
}
# Plays a ranking game in WINDOW: level 3, one hit, then a landing.
play_ranking() {
  read -r origin_x origin_y < <(window_origin "$1")
  xdotool windowfocus "$1" 2>/dev/null
  click $LEVEL3
  click $START
  click $ANSWER
  xdotool type --delay 20 "ab"
  xdotool key Return
}
# The name prompt of the game whose main window is $1: windows of one X
# client share the high bits of their ids.
prompt_of() {
  local w box=
  for w in $(xdotool search --onlyvisible --name 'ハイスコア' 2>/dev/null); do
    (( (w >> 21) == ($1 >> 21) )) && box=$w
  done
  echo "$box"
}
prompt_shown() { [[ -n "$(prompt_of "$1")" ]]; }
prompt_gone() { [[ -z "$(prompt_of "$1")" ]]; }
both_prompts() { prompt_shown "$one_window" && prompt_shown "$two_window"; }
answer_prompt() { # WINDOW NAME
  xdotool windowfocus "$(prompt_of "$1")" 2>/dev/null
  xdotool type --delay 60 "$2"
  xdotool key Return
  wait_for prompt_gone "$1"
}
# Quits both games and checks the table holds two scores, alice and bob.
check_both_kept() { # WHEN
  local ini="$folder/Typhoros.ini" window
  check "both scores kept ($1)" [ "$(grep -cE $'^Score[1-5]=[1-9][0-9]*\r$' "$ini")" -eq 2 ]
  check "alice's name stored ($1)" grep -q $'^Holder[12]=alice\r$' "$ini"
  check "bob's name stored ($1)" grep -q $'^Holder[12]=bob\r$' "$ini"
  for window in "$two_window" "$one_window"; do
    read -r origin_x origin_y < <(window_origin "$window")
    click $EXIT
  done
  wait_exit_code
  wait_for sh -c "! kill -0 $second_pid"
  second_pid=
}
for first in one two; do
  start_two_games
  play_ranking "$one_window"
  play_ranking "$two_window"
  patience=40 check "both games ask for a name ($first answers first)" wait_for both_prompts
  if [[ $first == one ]]; then
    answer_prompt "$one_window" alice
    answer_prompt "$two_window" bob
  else
    answer_prompt "$two_window" bob
    answer_prompt "$one_window" alice
  fi
  check_both_kept "$first answered first"
done

echo "== a game finished beside an older one still running"
start_two_games
play_ranking "$two_window"
patience=40 check "the newer game asks for a name" wait_for prompt_shown "$two_window"
answer_prompt "$two_window" bob
play_ranking "$one_window"
patience=40 check "the older game asks for a name" wait_for prompt_shown "$one_window"
answer_prompt "$one_window" alice
check_both_kept "the older game last"

echo "== a game killed at its name prompt credits its score to no one"
start_two_games
play_ranking "$one_window"
patience=40 check "the game asks for a name" wait_for prompt_shown "$one_window"
kill -9 "$game_pid"
wait "$game_pid" 2>/dev/null
game_pid=
check "its score is kept, with no holder" sh -c "grep -qE '^Score1=[1-9]' '$folder/Typhoros.ini' && ! grep -q '^Holder1=' '$folder/Typhoros.ini'"
play_ranking "$two_window"
patience=40 check "the other game asks for a name" wait_for prompt_shown "$two_window"
answer_prompt "$two_window" bob
check "bob's name goes to bob's score alone" [ "$(grep -cE $'^Holder[12]=' "$folder/Typhoros.ini")" -eq 1 ]
check "bob's name stored" grep -q $'^Holder[12]=bob\r$' "$folder/Typhoros.ini"
read -r origin_x origin_y < <(window_origin "$two_window")
click $EXIT
wait_for sh -c "! kill -0 $second_pid"
second_pid=

echo "== the table's lock held through the score's write, not the name's"
# Another program holds the lock from the start to the name prompt: the
# score waits in memory and goes into the file with its name, never the name
# alone beside another player's score.
new_folder
table=$'[HiScore]\r\n'
for n in 1 2 3 4 5; do table+="Score$n=$((60 - 10 * n))"$'\r\n'"Holder$n=carol$n"$'\r\n'"Date$n=2020/01/01 00:00"$'\r\n'; done
printf '%s' "$table" > "$folder/Typhoros.ini"
hold_lock "$folder/.Typhoros.ini.lock"
start_game
play_ranking "$main_window"
patience=40 check "a landing asks for the name" wait_for window_named 'ハイスコア'
check "nothing written while the lock is held" cmp -s "$folder/Typhoros.ini" <(printf '%s' "$table")
release_lock
answer_box 'ハイスコア' 'mallory'
ini="$folder/Typhoros.ini"
check "the name goes with the game's score" wait_for grep -q $'^Holder1=mallory\r$' "$ini"
check "which beat carol1's" grep -qE $'^Score1=([6-9][0-9]|[1-9][0-9]{2,})\r$' "$ini"
check "carol1 keeps her score a rank lower" grep -q $'^Score2=50\r$' "$ini"
check "and her name" grep -q $'^Holder2=carol1\r$' "$ini"
click $EXIT
wait_exit_code

echo "== a score that does not rank"
new_folder
table=$'[HiScore]\r\n'
for n in 1 2 3 4 5; do table+="Score$n=99999"$'\r\n'"Holder$n=X"$'\r\n'"Date$n=2020/01/01 00:00"$'\r\n'; done
printf '%s' "$table" > "$folder/Typhoros.ini"
cp "$folder/Typhoros.ini" "$work/table.ini"
start_game
click $LEVEL3
click $START
patience=40 check "Geme Over box appears" wait_for count_is '^Typhoros$' 2
check "no name prompt" [ "$(windows_named 'ハイスコア')" -eq 0 ]
answer_box '^Typhoros$'
check "box closes" wait_for count_is '^Typhoros$' 1
check "table unchanged" cmp -s "$folder/Typhoros.ini" "$work/table.ini"
click $EXIT
wait_exit_code

echo "== settings dialog switches the sound on"
new_folder
start_game
click $START
click $EXIT # stop the game: the settings button works only while idle
click $SETUP
check "settings dialog opens" wait_for window_named '^設定$'
dialog=$(xdotool search --onlyvisible --name '^設定$' | head -1)
read -r dx dy < <(window_origin "$dialog")
check "dialog client area is 338x178" [ "$(client_size "$dialog")" = "338x178" ]
xdotool mousemove --sync $((dx + 120)) $((dy + 80)) click 1   # ON
xdotool mousemove --sync $((dx + 184)) $((dy + 156)) click 1  # 設定
check "dialog closes" wait_for count_is '^設定$' 0
check "switch stored" wait_for file_has "$folder/Typhoros.ini" $'SoundOn=True\r'
check "no cue before the game" [ ! -e "$folder/cues.log" ]
click $START
check "next cue recorded" wait_for cues_have "Down.wav 100"
click $EXIT
click $EXIT
wait_exit_code

echo "== a settings file written on Windows"
new_folder
windows=$'; Typhoros settings\r\n[hiscore]\r\nScore1 = 50\r\nHolder1 = \x8e\x52\x93\x63\r\nDate1 = 2019/5/1 8:07\r\nTheme=dark\r\n\r\n[Window]\r\nLeft=100\r\n[setup]\r\nSoundOn = "True"\r\n'
printf '%s' "$windows" > "$folder/Typhoros.ini"
start_game
click $LEVEL3
click $START
check "quoted switch reads as on" wait_for cues_have "Down.wav 100"
click $ANSWER
xdotool type --delay 20 "ab"
xdotool key Return
patience=40 check "a landing asks for the name" wait_for window_named 'ハイスコア'
answer_box 'ハイスコア' 'ゆき'
check "name written" wait_for file_has "$folder/Typhoros.ini" "$(printf '^Holder[12]=\x82\xe4\x82\xab')"
ini=$(cat "$folder/Typhoros.ini")
check "comment kept" grep -q $'^; Typhoros settings\r$' <<<"$ini"
check "section name kept as written" grep -q $'^\\[hiscore\\]\r$' <<<"$ini"
check "unknown key kept" grep -q $'^Theme=dark\r$' <<<"$ini"
check "other section kept" grep -q $'^\\[Window\\]\r$' <<<"$ini"
check "other section's key kept" grep -q $'^Left=100\r$' <<<"$ini"
check "old holder moved or kept with its name" grep -q "$(printf 'Holder[12]=\x8e\x52\x93\x63')" <<<"$ini"
check "only one hiscore section" [ "$(grep -ci '^\[hiscore\]' <<<"$ini")" -eq 1 ]
click $EXIT
wait_exit_code

finish
