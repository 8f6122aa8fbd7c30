# SPDX-License-Identifier: MIT
# Sourced by the end-to-end tests, scripts/screenshots and bench/run: a
# private X server, and where the game window's controls are.

# start_xvfb [SCREEN]: starts Xvfb on a free display (it tells us which),
# exports DISPLAY and sets xvfb_pid; the caller stops it by that pid.
start_xvfb() {
  local fd number
  # -noreset: a server that resets when its last client leaves refuses the
  # next client that connects meanwhile (the next start of the game).
  exec {fd}< <(Xvfb -displayfd 1 -noreset -screen 0 "${1:-1280x1024x24}" -nolisten tcp 2>/dev/null & echo "pid $!")
  read -r _ xvfb_pid <&"$fd"
  read -r number <&"$fd" || return 1
  exec {fd}<&-
  export DISPLAY=":$number"
}

# window_origin WINDOW: the screen position of the window's client area.
window_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'
}

# Client-area positions of the game window's controls (pixels).
EXIT="700 512"; START="700 168"; SETUP="700 472"; ANSWER="328 515"
LEVEL0="682 44"; LEVEL1="682 68"; LEVEL2="682 92"; LEVEL3="682 116"
