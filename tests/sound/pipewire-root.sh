#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Unpacks Debian's PipeWire, pipewire-pulse and WirePlumber into a scratch
# root for the sound player's tests, unless it is already there. Unpacked,
# not installed: installing pipewire-pulse would switch a PulseAudio desktop
# to PipeWire at its next login. The other libraries they need come with the
# packages scripts/deps installs.
#
# Usage: pipewire-root.sh ROOT
set -euo pipefail
root=$1
[[ -x "$root/usr/bin/pipewire" ]] && exit 0
packages=(pipewire pipewire-bin pipewire-pulse libpipewire-0.3-0 libpipewire-0.3-modules libspa-0.2-modules
  wireplumber libwireplumber-0.4-0 liblua5.3-0 liblilv-0-0 libsratom-0-0 libsord-0-0 libserd-0-0)
debs=$(mktemp -d)
trap 'rm -rf "$debs"' EXIT
if ! (cd "$debs" && apt-get download -qq "${packages[@]}" 2>/dev/null); then
  # The package lists may never have been read on this machine.
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  (cd "$debs" && apt-get download -qq "${packages[@]}")
fi
mkdir -p "$root"
for deb in "$debs"/*.deb; do dpkg-deb -x "$deb" "$root"; done
