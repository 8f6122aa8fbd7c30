#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a test program as an unprivileged user, so that file permissions
# really refuse what they refuse a player: as nobody when started as root
# (from a copy of the program, in a folder of its own that nobody may use),
# as yourself otherwise.
#
# Usage: as-user.sh PROGRAM [ARG...]
set -euo pipefail
if [[ $(id -u) -ne 0 ]]; then
  exec "$@"
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$1" "$(dirname "$0")/../lsan.supp" "$dir/"
chmod 755 "$dir"
chown nobody:nogroup "$dir"
program="$dir/$(basename "$1")"
shift
setpriv --reuid=nobody --regid=nogroup --clear-groups \
  env HOME="$dir" TMPDIR="$dir" LSAN_OPTIONS="suppressions=$dir/lsan.supp:print_suppressions=0" "$program" "$@"
