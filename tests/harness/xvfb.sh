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
  cp "$(dirname "${BASH_SOURCE[0]}")/private-bus.conf" "$dir/bus.conf"
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

# start_sway DIR [RUN_AS...]: a headless sway compositor (no input devices,
# software rendering, one 1280x1024 output) whose runtime folder is DIR, run
# as RUN_AS. Like a desktop's, it gives a window that asks to be activated
# the focus (sway's own default only marks it urgent). Exports
# XDG_RUNTIME_DIR, WAYLAND_DISPLAY and SWAYSOCK; the caller stops it (RUN_AS
# may tag it for that).
start_sway() {
  local dir=$1 socket
  shift
  mkdir -p "$dir"
  chmod 700 "$dir"
  printf 'output HEADLESS-1 mode 1280x1024\nfocus_on_window_activation focus\nxwayland disable\n' >"$dir/sway.conf"
  [[ $# -gt 0 && $(id -u) -eq 0 ]] && chown -R nobody:nogroup "$dir"
  "$@" env XDG_RUNTIME_DIR="$dir" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$dir/sway.conf" >"$dir/sway.log" 2>&1 &
  export XDG_RUNTIME_DIR="$dir"
  local _
  for _ in $(seq 250); do
    socket=$(ls "$dir"/sway-ipc.*.sock 2>/dev/null | head -1)
    if [[ -n "$socket" ]] && ls "$dir"/wayland-* >/dev/null 2>&1; then
      WAYLAND_DISPLAY=$(cd "$dir" && ls wayland-* | grep -v '\.lock$' | head -1)
      export WAYLAND_DISPLAY SWAYSOCK=$socket
      return 0
    fi
    sleep 0.02
  done
  cat "$dir/sway.log" >&2
  return 1
}
