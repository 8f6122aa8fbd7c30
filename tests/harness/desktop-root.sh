#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A scratch Debian root of this machine's release holding whole desktops
# (GNOME's gnome-shell with IBus, KDE Plasma's kwin_wayland with fcitx5, Mozc
# on both) for the end-to-end tests, so that they never reach the desktop
# session of the machine the tests run on.
#
# Usage (as root):
#   desktop-root.sh build ROOT PROGRAM...  builds ROOT with the desktops and
#                                          the packages PROGRAMs' libraries
#                                          come from on this machine
#   desktop-root.sh run ROOT COMMAND...    runs COMMAND in ROOT, as root, with
#                                          /proc, /sys and /dev mounted in a
#                                          mount namespace of its own
#   desktop-root.sh remove ROOT            stops what still runs there, removes it
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

desktop_packages=(
  dbus dbus-daemon libglib2.0-bin python3-gi python3-dbus gir1.2-glib-2.0 libgl1-mesa-dri
  gnome-shell mutter ibus ibus-mozc
  kwin-wayland kde-cli-tools fcitx5 fcitx5-mozc fcitx5-frontend-qt6
  qt6-wayland xwayland fonts-ipafont-gothic fonts-ipafont-mincho
)

# The packages that hold the libraries the programs load, here.
library_packages() {
  ldd "$@" | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' | sort -u |
    while read -r lib; do dpkg -S "$(readlink -f "$lib")" 2>/dev/null || dpkg -S "$lib" 2>/dev/null; done |
    cut -d: -f1 | sort -u
}

# Processes whose root is ROOT, by id.
processes_in() {
  local pid
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    [[ $(readlink "/proc/$pid/root" 2>/dev/null) == "$1" ]] && echo "$pid"
  done
  return 0
}

case ${1:-} in
build)
  root=$2
  shift 2
  [[ $(id -u) -eq 0 ]] || { echo "desktop-root: run as root (mmdebstrap and chroot need it)" >&2; exit 1; }
  # What an interrupted run left goes first: mmdebstrap wants a new folder.
  [[ -e $root ]] && { "$0" remove "$root" || exit 1; }
  source "$here/debian-archive.sh"
  debian_archive
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  command -v mmdebstrap >/dev/null || { echo "desktop-root: mmdebstrap is not installed" >&2; exit 1; }
  packages=$(printf '%s,' "${desktop_packages[@]}" $(library_packages "$@"))
  mmdebstrap --quiet --variant=apt --include="${packages%,}" "${aptopts[@]}" "$suite" "$root" \
    "deb $mirror $suite main" "deb $mirror $suite-updates main" "deb $security $suite-security main"
  # gnome-shell wants a machine id and a system bus.
  dbus-uuidgen > "$root/etc/machine-id"
  # kwin_wayland carries a file capability that a container may not grant
  # ("Operation not permitted"); a copy has none.
  cp "$root/usr/bin/kwin_wayland" "$root/usr/bin/kwin_wayland.tmp"
  mv "$root/usr/bin/kwin_wayland.tmp" "$root/usr/bin/kwin_wayland"
  ;;
run)
  root=$(cd "$2" && pwd)
  shift 2
  exec unshare --mount --propagation private -- bash -euc '
    root=$1; shift
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --bind /dev "$root/dev"
    mount --bind /dev/pts "$root/dev/pts"
    mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
    mount -t tmpfs -o mode=755 run "$root/run"
    exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"
  ' desktop-root "$root" "$@"
  ;;
remove)
  root=$(cd "$2" && pwd)
  pids=$(processes_in "$root")
  [[ -n $pids ]] && kill -9 $pids 2>/dev/null
  if findmnt -rno TARGET | grep -q "^$root/"; then
    echo "desktop-root: $root still has mounts; left in place" >&2
    exit 1
  fi
  rm -rf --one-file-system "$root"
  ;;
*)
  echo "usage: desktop-root.sh build ROOT PROGRAM... | run ROOT COMMAND... | remove ROOT" >&2
  exit 2
  ;;
esac
