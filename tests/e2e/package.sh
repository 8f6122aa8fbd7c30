#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian package as a packager and a player meet it: lintian, the
# desktop entry and the AppStream data are checked; the package is installed
# (for real on a throwaway CI machine, else unpacked into a scratch root) and
# the installed /usr/games/typhoros is played under Xvfb by an ordinary user
# with an empty home: the window shows, a ranking game writes the player's
# own settings file, a second start shows the score. On CI the package is
# then removed, and nothing of it may be left.
#
# Usage: package.sh PACKAGE.deb
set -uo pipefail
deb=$(realpath "$1")
game_dir=/nonexistent
source "$(dirname "$0")/lib.sh"

echo "== the package"
# Errors and warnings fail; lintian's informational tags are named in docs/PACKAGING.md.
check "lintian finds no error or warning" lintian --fail-on error,warning "$deb"
root="$work/root"
dpkg-deb -x "$deb" "$root"
check "desktop entry is valid" desktop-file-validate "$root"/usr/share/applications/*.desktop
check "AppStream data are valid" appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml
for size in 16 32 48 64 128 256; do
  check "${size}px icon" test -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/typhoros.png"
done
check "manual page typhoros(6)" test -s "$root/usr/share/man/man6/typhoros.6.gz"
# Libraries come from the system's folders only, never from a search path of
# the program's own (an empty entry there would mean the current directory).
no_search_path() { ! readelf -d "$1" | grep -qE '\((RUNPATH|RPATH)\)'; }
for program in typhoros Chirp.exe; do
  check "$program has no library search path" no_search_path "$root/usr/lib/typhoros/$program"
done

installed=
prefix=$root
if [[ "${CI:-}" == true && $(id -u) -eq 0 ]] && ! dpkg -s typhoros >/dev/null 2>&1; then
  # A throwaway machine: install for real (never on a developer's desktop).
  check "the package installs" dpkg -i "$deb" >/dev/null
  installed=yes
  prefix=
  # Removed on the way out, whatever happens before.
  remove_package() { dpkg -s typhoros >/dev/null 2>&1 && dpkg -r typhoros >/dev/null; }
  stop_more=remove_package
fi
check "the command is on PATH's games folder" test -L "$prefix/usr/games/typhoros"

echo "== the installed game, played by an ordinary user"
home="$work/home"
folder="$work/run"
mkdir -p "$home" "$folder"
give_to_player "$home" "$folder"
start_private_bus "$work/session-bus" "${player_user[@]}"
as_player=("${player_user[@]}" env -i PATH=/usr/games:/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY" LANG=C.UTF-8
  QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS")
game_command="$prefix/usr/games/typhoros"
settings="$home/.local/share/typhoros/Typhoros.ini"
# The high-score table's pixels: they change when a score is shown.
table() { import -window root -crop "90x130+$((origin_x + 660))+$((origin_y + 215))" rgb:- 2>/dev/null | md5sum; }

check "window appears" start_game
fresh_table=$(table)
click $EXIT
wait_exit_code
check "starting writes nothing into the empty home" [ -z "$(ls -A "$home")" ]

# A question of the player's own for level 3, so that the game can be won.
mkdir -p "$home/.local/share/typhoros"
printf 'ab\r\n' > "$home/.local/share/typhoros/Mondai3.txt"
give_to_player "$home"
# Another account (root here) holds the program folder's locks all game: the
# folder itself and a lock file in it. The player's writes never wait for
# them and the score is the player's all the same.
programs="$prefix/usr/lib/typhoros"
hold_lock "$programs" "$programs/.Typhoros.ini.lock"
start_game
click $LEVEL3
click $START
click $ANSWER
xdotool type --delay 20 "ab"
xdotool key Return
patience=40 check "a ranking game asks for the name" wait_for window_named 'ハイスコア'
box=$(xdotool search --onlyvisible --name 'ハイスコア' | tail -1)
xdotool windowfocus "$box" 2>/dev/null
xdotool type --delay 120 "たろう"
xdotool key Return
check "the player's settings file is written" wait_for file_has "$settings" "^Holder1="
check "with the score" grep -qE $'^Score1=[1-9][0-9]*\r$' "$settings"
check "nothing is written beside the program" [ ! -e "$prefix/usr/lib/typhoros/Typhoros.ini" ]
click $EXIT
wait_exit_code
check "the game ends with 0" [ $? -eq 0 ]
release_lock
rm -f "$programs/.Typhoros.ini.lock"

check "a second start" start_game
check "shows the score" [ "$(table)" != "$fresh_table" ]
click $EXIT
wait_exit_code

if [[ -n "$installed" ]]; then
  files=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\.||' | grep -v '/$')
  check "the package is removed" dpkg -r typhoros >/dev/null
  left=$(for f in $files; do [[ -e "$f" || -L "$f" ]] && echo "$f"; done)
  check "no file of it is left${left:+: $left}" [ -z "$left" ]
fi
finish
