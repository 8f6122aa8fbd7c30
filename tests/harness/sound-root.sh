#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Unpacks Debian's PipeWire, pipewire-pulse and WirePlumber into a scratch
# root for the sound player's tests, unless it is already there. Unpacked,
# not installed: installing pipewire-pulse would switch a PulseAudio desktop
# to PipeWire at its next login. What is unpacked is what apt would install
# for them on this machine (the release's own package names; libraries that
# are already installed are used as they are), and PipeWire's own libraries
# and plugins in any case: the server looks for its plugins and modules in
# the root alone, and a desktop program may have brought some of them in.
#
# Usage: sound-root.sh ROOT
set -euo pipefail
root=$1
[[ -x "$root/usr/bin/pipewire" ]] && exit 0
wanted=(pipewire pipewire-pulse wireplumber libspa-0.2-modules)
# The packages an install would add, as apt's own resolver chooses them.
needed() {
  {
    apt-get install -s -qq --no-install-recommends "${wanted[@]}" 2>/dev/null | awk '$1 == "Inst" {print $2}'
    dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' 'libpipewire-*' 'libspa-*' 'libwireplumber-*' 2>/dev/null |
      awk '$1 == "ii" {print $2}'
  } | sort -u
}
debs=$(mktemp -d)
trap 'rm -rf "$debs"' EXIT
mapfile -t packages < <(needed)
if [[ ${#packages[@]} -eq 0 ]] || ! (cd "$debs" && apt-get download -qq "${packages[@]}" 2>/dev/null); then
  # The package lists may never have been read on this machine.
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  mapfile -t packages < <(needed)
  [[ ${#packages[@]} -gt 0 ]] || { echo "sound-root.sh: apt offers no ${wanted[*]}" >&2; exit 1; }
  (cd "$debs" && apt-get download -qq "${packages[@]}")
fi
mkdir -p "$root"
for deb in "$debs"/*.deb; do dpkg-deb -x "$deb" "$root"; done
