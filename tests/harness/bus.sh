# SPDX-License-Identifier: MIT
# Sourced: a private D-Bus session bus, as a desktop session gives its
# programs, that starts nothing by itself (private-bus.conf).

source "$(dirname "${BASH_SOURCE[0]}")/user.sh"

# start_private_bus DIR [RUN_AS...]: the bus in DIR, run by RUN_AS (a prefix
# such as "${player_user[@]}"; yourself when empty). Without one, Qt's first
# use of D-Bus launches a bus of its own where dbus-x11 is installed, which
# writes into the home, adds seconds to the start and outlives the program.
# Exports DBUS_SESSION_BUS_ADDRESS and sets bus_pid; the caller stops it by
# that pid.
start_private_bus() {
  local dir=$1 _
  shift
  mkdir -p "$dir"
  cp "$(dirname "${BASH_SOURCE[0]}")/private-bus.conf" "$dir/bus.conf"
  [[ $# -gt 0 ]] && give_to_player "$dir"
  "$@" dbus-daemon --config-file="$dir/bus.conf" --address="unix:path=$dir/socket" --nofork 2>"$dir/bus.log" &
  bus_pid=$!
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/socket"
  for _ in $(seq 250); do [[ -S "$dir/socket" ]] && return 0; sleep 0.02; done
  return 1
}
