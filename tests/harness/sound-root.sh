#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Unpacks Debian's PulseAudio daemon, or PipeWire with pipewire-pulse and
# WirePlumber, into a scratch root for the sound player's tests and the
# benchmark, unless it is already there. Unpacked, not installed: an
# installed sound server is started for every login (pulseaudio competes
# with the session's PipeWire, pipewire-pulse switches a PulseAudio desktop
# to PipeWire). What is unpacked is what apt would install for the server on
# this machine (the release's own package names; libraries that are already
# installed are used as they are), the server's packages in any case, and
# for PipeWire its own libraries and plugins too: that server looks for
# them in the root alone, and a desktop program may have brought some of
# them in. sound-server.sh runs the server from the root.
#
# Usage: sound-root.sh pulseaudio|pipewire ROOT
set -euo pipefail
server=$1 root=$2
case $server in
  pulseaudio)
    wanted=(pulseaudio)
    [[ -x "$root/usr/bin/pulseaudio" ]] && exit 0
    ;;
  pipewire)
    wanted=(pipewire pipewire-pulse wireplumber libspa-0.2-modules)
    [[ -x "$root/usr/bin/pipewire" ]] && exit 0
    ;;
  *) echo "usage: sound-root.sh pulseaudio|pipewire ROOT" >&2; exit 2 ;;
esac
# The packages an install would add, as apt's own resolver chooses them.
needed() {
  {
    printf '%s\n' "${wanted[@]}"
    apt-get install -s -qq --no-install-recommends "${wanted[@]}" 2>/dev/null | awk '$1 == "Inst" {print $2}'
    [[ $server == pipewire ]] &&
      dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' 'libpipewire-*' 'libspa-*' 'libwireplumber-*' 2>/dev/null |
      awk '$1 == "ii" {print $2}'
  } | sort -u
}
debs=$(mktemp -d)
chmod 755 "$debs" # apt's download user writes there
trap 'rm -rf "$debs"' EXIT
mapfile -t packages < <(needed)
if ! (cd "$debs" && apt-get download -qq "${packages[@]}" 2>/dev/null); then
  # The package lists may never have been read on this machine.
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  mapfile -t packages < <(needed)
  (cd "$debs" && apt-get download -qq "${packages[@]}") ||
    { echo "sound-root.sh: apt offers no ${wanted[*]}" >&2; exit 1; }
fi
mkdir -p "$root"
for deb in "$debs"/*.deb; do dpkg-deb -x "$deb" "$root"; done
