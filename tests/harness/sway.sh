# SPDX-License-Identifier: MIT
# Sourced: the sway driver, a headless Wayland compositor driven by a
# virtual keyboard (wtype) and a virtual pointer (wl_pointer.c). A driver
# gives the end-to-end tests
#   start_sway DIR RUN_AS...      the compositor (exports XDG_RUNTIME_DIR,
#                                 WAYLAND_DISPLAY and SWAYSOCK)
#   start_sway_input POINTER CLIENT...  the keyboard and pointer, run by
#                                 CLIENT (a prefix with the session's env)
#   press KEY...  type_text TEXT  click_at X Y
#   views         the windows, one a line: id, focused, client-area origin
#                 "X Y", client size "WxH", shell, title (tab-separated)
#   on_top ID     whether ID is drawn over every other floating window
#   grab X,Y WxH  a PNG of that part of the screen on stdout
# and is stopped with the run's tagged processes (stop_tagged).

# start_sway DIR [RUN_AS...]: sway with no input devices, software
# rendering and one 1280x1024 output, whose runtime folder is DIR, run by
# RUN_AS (which may tag it). Like a desktop's, it gives a window that asks
# to be activated the focus (sway's own default only marks it urgent). Keys
# do not repeat: a key whose release reaches a busy client more than the
# repeat delay after its press would otherwise type twice.
start_sway() {
  local dir=$1 socket _
  shift
  mkdir -p "$dir"
  chmod 700 "$dir"
  printf 'output HEADLESS-1 mode 1280x1024\nfocus_on_window_activation focus\nxwayland disable\ninput type:keyboard repeat_rate 0\n' >"$dir/sway.conf"
  [[ $# -gt 0 ]] && give_to_player "$dir"
  "$@" env XDG_RUNTIME_DIR="$dir" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$dir/sway.conf" >"$dir/sway.log" 2>&1 &
  export XDG_RUNTIME_DIR="$dir"
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

# start_sway_input POINTER CLIENT...: plugs in one virtual keyboard for the
# whole run (a keyboard added and removed for every key would take the
# focus away between keys) and starts the virtual pointer program POINTER,
# which must lie where CLIENT's user can run it. The seat offers a pointer
# only once it has moved, and a program that meets a pointerless seat hears
# of the pointer too late for its first click: so it moves at once.
start_sway_input() {
  local pointer_program=$1
  shift
  sway_client=("$@")
  "${sway_client[@]}" wtype -s 3600000 &
  coproc pointer { exec "${sway_client[@]}" "$pointer_program"; }
  pointer_do "move 1 1"
}

# pointer_do COMMAND: one command to the pointer, done once the compositor
# has it.
pointer_do() {
  local reply
  echo "$1" >&"${pointer[1]}" && read -r -t 5 reply <&"${pointer[0]}" && [[ $reply == ok ]]
}

# click_at X Y: a click at a point of the screen. The pointer comes from a
# pixel away, as a hand moves it: a window that opened under a pointer that
# has not moved since does not know it is there.
click_at() { pointer_do "move $(($1 - 1)) $(($2 - 1))" && pointer_do "move $1 $2" && pointer_do click; }
press() { local key; for key; do "${sway_client[@]}" wtype -k "$key"; sleep 0.15; done; }
type_text() { "${sway_client[@]}" wtype -d 60 "$1"; }

views() {
  swaymsg -t get_tree | jq -r '.. | objects | select(.pid? != null)
    | "\(.id)\t\(.focused)\t\(.rect.x + .window_rect.x) \(.rect.y + .window_rect.y)\t\(.window_rect.width)x\(.window_rect.height)\t\(.shell)\t\(.name)"'
}
# The floating window drawn over every other is the workspace's last.
on_top() { [[ "$(swaymsg -t get_tree | jq -r '[.. | objects | select(.type? == "workspace" and .name != "__i3_scratch") | .floating_nodes[]?.id] | last')" == "$1" ]]; }
grab() { grim -g "$1 $2" - 2>/dev/null; }

# sway_raises_activated: whether this sway raises a window it activates
# (1.7 gives it the keyboard only; later versions raise it too).
sway_raises_activated() {
  local version
  read -r _ _ version _ < <(sway --version)
  [[ $(printf '1.7\n%s\n' "$version" | sort -V | tail -1) != 1.7 ]]
}
