#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a test program as the player's unprivileged user (see user.sh), from
# a copy in a folder of its own that the user may use, wherever the build
# tree lies; as yourself, unchanged, when you are not root.
#
# Usage: as-user.sh PROGRAM [ARG...]
set -euo pipefail
here=$(dirname "$0")
source "$here/user.sh"
if [[ ${#player_user[@]} -eq 0 ]]; then
  exec "$@"
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$1" "$here/../lsan.supp" "$dir/"
chmod 755 "$dir"
give_to_player "$dir"
program="$dir/$(basename "$1")"
shift
"${player_user[@]}" \
  env HOME="$dir" TMPDIR="$dir" LSAN_OPTIONS="suppressions=$dir/lsan.supp:print_suppressions=0" "$program" "$@"
