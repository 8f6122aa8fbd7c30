# SPDX-License-Identifier: MIT
# The end-to-end checks of the game under a Wayland compositor, whichever it
# is (sway, GNOME's gnome-shell, KDE's kwin_wayland). Sourced after lib.sh by
# a script that has started the compositor and defines its driver:
#   views              the compositor's windows, one a line, tab-separated:
#                      id, focused (true/false), client-area origin "X Y",
#                      client size "WxH", shell (xdg_shell or xwayland), title
#   click_at X Y       a click at a point of the screen
#   press KEY...       keys by their XKB names (Return, Tab, space, n, ...)
#   type_text TEXT     text, as a player types it on a US keyboard
#   grab X,Y WxH       that part of the screen as PNG on standard output
#                      (or its own box_ink, lib.sh's answer-box ink)
#   on_top ID          whether window ID is drawn over the others
# (lib.sh builds its window helpers on `views`), and sets `as_player` (the
# command prefix that starts the game),
# `activation_honoured=yes` where the compositor hands the keyboard to a box
# that asks for it (otherwise the box's keys reach the game window, and the
# game passes them on), and `stacking_checked=yes` where a box clicked past
# must stay in front.

# keeps_keyboard NAME BOX: with BOX open, a click on the game window (the
# top left of the play field, which no box covers) leaves BOX in front, and
# with the keyboard where the compositor hands it over; the keys typed next
# tell whether they reached the box.
keeps_keyboard() {
  check "$1 has the keyboard" wait_for focused_is "$2"
  click 40 40
  sleep 0.5
  if [[ ${activation_honoured:-} == yes ]]; then
    check "$1 keeps the keyboard after a click on the game" wait_for focused_is "$2"
  else
    echo "   after the click the compositor's keyboard is on the $(focused_is "$2" && echo box || echo game window)"
  fi
  [[ ${stacking_checked:-} == yes ]] && check "$1 is still in front" wait_for on_top "$2"
  return 0
}

quit_game() {
  click $EXIT
  wait_exit_code
}

# windows_checks: the game plays natively; the name prompt, the "Geme Over"
# box and the settings dialog keep the player's keys after a click on the
# game window. `name_keys`/`name_stored`: the name typed and its code page
# 932 bytes in the settings file (たろう where the driver types Unicode).
windows_checks() {
  local name_keys=${name_keys:-たろう} name_stored=${name_stored:-$'\x82\xbd\x82\xeb\x82\xa4'}
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
  type_text "$name_keys"
  press Return
  check "the name typed afterwards is stored" wait_for file_has "$folder/Typhoros.ini" "^Holder1=$name_stored"$'\r'
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
}

# mozc_checks: the questions answered through Mozc (the input method already
# running; `engine_ready` says when Mozc is loaded).
mozc_checks() {
  new_folder
  ime_questions
  own
  check "window appears" start_game
  click $ANSWER
  patience=30 check "Mozc is loaded" wait_for engine_ready
  answer_ime_questions
  quit_game
  check "the game ends with 0" [ $? -eq 0 ]
}
