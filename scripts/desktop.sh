# SPDX-License-Identifier: MIT
# Sourced by the end-to-end tests, scripts/screenshots and bench/run: a
# private X server and session bus, and where the game window's controls are.

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

# start_private_bus DIR [RUN_AS...]: a private D-Bus session bus in DIR, as
# a desktop session gives its programs, run as the user the game runs as
# (RUN_AS, a prefix that runs a command as nobody; yourself when empty). It
# starts nothing by itself. Without one, Qt's first use of D-Bus launches a
# bus of its own where dbus-x11 is installed, which writes into the home,
# adds seconds to the start and outlives the program. Exports
# DBUS_SESSION_BUS_ADDRESS and sets bus_pid; the caller stops it by that pid.
start_private_bus() {
  local dir=$1
  shift
  mkdir -p "$dir"
  cp "$(dirname "${BASH_SOURCE[0]}")/../tests/private-bus.conf" "$dir/bus.conf"
  [[ $# -gt 0 && $(id -u) -eq 0 ]] && chown -R nobody:nogroup "$dir"
  "$@" dbus-daemon --config-file="$dir/bus.conf" --address="unix:path=$dir/socket" --nofork 2>"$dir/bus.log" &
  bus_pid=$!
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/socket"
  local _
  for _ in $(seq 250); do [[ -S "$dir/socket" ]] && return 0; sleep 0.02; done
  return 1
}

# window_origin WINDOW: the screen position of the window's client area.
window_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'
}

# Client-area positions of the game window's controls (pixels).
EXIT="700 512"; START="700 168"; SETUP="700 472"; ANSWER="328 515"
LEVEL0="682 44"; LEVEL1="682 68"; LEVEL2="682 92"; LEVEL3="682 116"
