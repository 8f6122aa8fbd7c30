# SPDX-License-Identifier: MIT
# Sourced: running programs as the player's unprivileged user, and stopping
# exactly the processes a run started as that user.

# player_user: the prefix that runs a command as the player's user: nobody
# when we are root (so that file permissions refuse what they refuse a
# player, and Mozc, which will not run as root, runs), empty otherwise.
player_user=()
[[ $(id -u) -eq 0 ]] && player_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)

# give_to_player PATH...: hands PATH (recursively) to the player's user when
# that user is not us.
give_to_player() {
  [[ ${#player_user[@]} -gt 0 ]] && chown -R nobody:nogroup "$@"
  return 0
}

# Processes run as the player's user (an input method, a compositor) carry
# TYPHOROS_E2E_RUN=$token in their environment (start them through
# `env TYPHOROS_E2E_RUN="$token" ...`), by which exactly those are found
# and stopped.
token="typhoros-e2e-$$-$RANDOM"

# tagged_pids: the processes carrying this run's token, one a line.
tagged_pids() {
  local environ
  for environ in /proc/[0-9]*/environ; do
    grep -qz "^TYPHOROS_E2E_RUN=$token\$" "$environ" 2>/dev/null && { environ=${environ#/proc/}; echo "${environ%/environ}"; }
  done
}

# stop_tagged: stops them (TERM, then KILL after 5 s).
stop_tagged() {
  local pids _
  pids=$(tagged_pids)
  [[ -n "$pids" ]] && kill $pids 2>/dev/null
  for _ in $(seq 50); do [[ -z "$(tagged_pids)" ]] && return; sleep 0.1; done
  pids=$(tagged_pids)
  [[ -n "$pids" ]] && kill -9 $pids 2>/dev/null
}
