# SPDX-License-Identifier: MIT
# Sourced: a private X server (Xvfb) for the end-to-end tests,
# scripts/screenshots and bench/run, and where its windows are.

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

# The X11 driver's input and pictures, in the shape of a compositor
# driver's (see sway.sh): click_at X Y, press KEY..., grab X,Y WxH.
click_at() {
  local X Y SCREEN WINDOW
  eval "$(xdotool getmouselocation --shell)"
  # mousemove --sync waits some 15 s for a motion that never comes when the
  # pointer is already there.
  if [[ $X == "$1" && $Y == "$2" ]]; then
    xdotool click 1
  else
    xdotool mousemove --sync "$1" "$2" click 1
  fi
}
press() { xdotool key --delay 150 "$@"; }
grab() { import -window root -crop "$2+${1/,/+}" png:- 2>/dev/null; }
