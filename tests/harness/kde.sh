# SPDX-License-Identifier: MIT
# KDE Plasma's compositor, kwin_wayland, run headless (its virtual backend)
# with fcitx5, which kwin starts as its input method, and Mozc there: keys
# and clicks through KDE's fake-input protocol (kwin_fake_input), windows
# from KWin scripts whose print() lands in kwin's log, pictures from its
# screenshot service where it offers one.
# Sourced after lib.sh by an end-to-end script that has set `home`,
# `as_user`, `token` and `fake_input_program`; gives the compositor driver that
# wayland-checks.sh describes.

kde_version() { kwin_wayland --version 2>/dev/null; }

# kde_dbus OBJECT METHOD ARG...: a call on kwin's D-Bus service.
kde_dbus() {
  local object=$1 method=$2
  shift 2
  "${as_user[@]}" gdbus call --session --dest org.kde.KWin --object-path "$object" --method "$method" "$@" 2>/dev/null
}

# kde_script JS: runs JS in kwin; prints the lines it print()s with the
# prefix "OUT|" (without it). A script's id names its object; its name,
# unique, marks its lines in kwin's log.
kde_script() {
  local name file reply id
  name=typhoros-$(date +%s%N)-$RANDOM
  file=$work/$name.js
  printf 'print("%s-BEGIN");\n%s\nprint("%s-END");\n' "$name" "$1" "$name" > "$file"
  chmod 644 "$file"
  reply=$(kde_dbus /Scripting org.kde.kwin.Scripting.loadScript "$file" "$name") || return 1
  id=$(tr -dc 0-9 <<<"$reply")
  # The script's object: /Scripting/ScriptN from kwin 6, /N before.
  kde_dbus "/Scripting/Script$id" org.kde.kwin.Script.run >/dev/null || kde_dbus "/$id" org.kde.kwin.Script.run >/dev/null
  local deadline=$((SECONDS + 5))
  until grep -q "^js: $name-END" "$work/compositor.log"; do
    ((SECONDS < deadline)) || break
    sleep 0.02
  done
  kde_dbus /Scripting org.kde.kwin.Scripting.unloadScript "$name" >/dev/null
  rm -f "$file"
  awk -v name="$name" '$0 == "js: " name "-END" { exit } /^js: OUT\|/ { sub(/^js: OUT\|/, ""); print }' \
    <(grep -A100000 "^js: $name-BEGIN" "$work/compositor.log")
}

views() {
  kde_script "const ws = workspace.windowList ? workspace.windowList() : workspace.clientList();
    const active = workspace.activeWindow !== undefined ? workspace.activeWindow : workspace.activeClient;
    for (const w of ws) {
      if (!w.normalWindow && !w.dialog) continue;
      // kwin 5 tells no client area; the frame is the client area here, as
      // the root has no window decoration for kwin.
      const g = w.clientGeometry || w.frameGeometry;
      print('OUT|' + [w.internalId, w === active, Math.round(g.x) + ' ' + Math.round(g.y),
                      Math.round(g.width) + 'x' + Math.round(g.height), w.windowId ? 'xwayland' : 'xdg_shell',
                      w.caption.replace(/ <[0-9]+>\$/, '')].join('|'));
    }" | tr '|' '\t'
}
# kde_window JS ID: the value of JS about the window of that id, `w`.
kde_window() {
  kde_script "const w = (workspace.windowList ? workspace.windowList() : workspace.clientList())
    .find(w => '' + w.internalId == '$2');
    if (w) print('OUT|' + ($1));"
}
# window_app ID: the desktop entry kwin has tied the window to, as the task
# manager shows it.
window_app() {
  local app
  app=$(kde_window "w.desktopFileName" "$1")
  [[ -n $app ]] && echo "${app%.desktop}.desktop"
}
window_pid() { kde_window "w.pid" "$1"; }
# launch ENTRY: starts the desktop entry ENTRY of the player's as Plasma's
# launcher does (KIO's application launcher), in the session's environment.
launch() {
  local file=$home/.local/share/applications/$1
  [[ -f $file ]] || return 1
  "${as_user[@]}" kioclient exec "$file" -platform offscreen >>"$work/launcher.log" 2>&1
}
# candidate_list: where fcitx5's candidate list is on the screen (x y width
# height), the input-method panel kwin shows; empty while there is none.
# kwin 5 tells no inputMethod: there the panel is the one untitled window
# that is neither normal nor a dialog.
candidate_list() {
  kde_script "for (const w of (workspace.windowList ? workspace.windowList() : workspace.clientList())) {
      const panel = w.inputMethod === undefined ? !w.normalWindow && !w.dialog && !w.caption : w.inputMethod;
      if (!panel || w.visible === false) continue;
      const g = w.frameGeometry;
      print('OUT|' + [g.x, g.y, g.width, g.height].map(Math.round).join(' '));
    }" | head -1
}
on_top() {
  [[ $(kde_script "const ws = (workspace.windowList ? workspace.windowList() : workspace.clientList())
      .filter(w => w.normalWindow || w.dialog);
    const top = ws.reduce((a, b) => (b.stackingOrder > a.stackingOrder ? b : a));
    print('OUT|' + top.internalId);") == "$1" ]]
}

# kde_input COMMAND: one command to the fake-input client, done once kwin
# has it.
kde_input() {
  local reply
  echo "$1" >&"${fake_input[1]}" && read -r -t 5 reply <&"${fake_input[0]}" && [[ $reply == ok ]]
}
# click_at X Y: a click there; the pointer comes from a pixel away, as a hand
# moves it, and kwin wants a moment between a move and a press.
click_at() {
  kde_input "move $(($1 - 1)) $(($2 - 1))" && kde_input "move $1 $2" && sleep 0.15 && kde_input click && sleep 0.1
}
# Linux input codes of the keys the tests press, by XKB name; a leading +
# means with Shift.
declare -A kde_codes=(
  [Escape]=1 [minus]=12 [BackSpace]=14 [Tab]=15 [Return]=28 [space]=57 [backslash]=43 [asciitilde]=+41
  [q]=16 [w]=17 [e]=18 [r]=19 [t]=20 [y]=21 [u]=22 [i]=23 [o]=24 [p]=25
  [a]=30 [s]=31 [d]=32 [f]=33 [g]=34 [h]=35 [j]=36 [k]=37 [l]=38
  [z]=44 [x]=45 [c]=46 [v]=47 [b]=48 [n]=49 [m]=50
)
kde_key() {
  local code=${kde_codes[$1]:?"no key code for $1"}
  if [[ $code == +* ]]; then
    kde_input "down 42" && kde_input "key ${code#+}" && kde_input "up 42"
  else
    kde_input "key $code"
  fi
}
press() {
  local key
  for key; do kde_key "$key" && sleep 0.15; done
}
type_text() {
  local i
  for ((i = 0; i < ${#1}; i++)); do kde_key "${1:i:1}" && sleep 0.06; done
}

# kde_screenshot FILE X Y W H: that part of the screen as raw 8-bit grey
# pixels, through kwin's ScreenShot2 service; fails where kwin offers none.
kde_screenshot() {
  "${as_user[@]}" python3 - "$@" <<'PY'
import os, sys, dbus
out, x, y, w, h = sys.argv[1], *map(int, sys.argv[2:6])
bus = dbus.SessionBus()
shot = dbus.Interface(bus.get_object('org.kde.KWin', '/org/kde/KWin/ScreenShot2'), 'org.kde.KWin.ScreenShot2')
r, wfd = os.pipe()
meta = shot.CaptureArea(x, y, w, h, {'native-resolution': True}, dbus.types.UnixFd(wfd))
os.close(wfd)
data = b''
while True:
    chunk = os.read(r, 1 << 16)
    if not chunk:
        break
    data += chunk
width, height, stride = int(meta['width']), int(meta['height']), int(meta['stride'])
grey = bytearray()
for row in range(height):
    line = data[row * stride:row * stride + width * 4]
    grey.extend((int(0.114 * line[i] + 0.587 * line[i + 1] + 0.299 * line[i + 2]) for i in range(0, len(line), 4)))
open(out, 'wb').write(grey)
PY
}
box_ink() {
  local shot=$work/box.grey
  kde_screenshot "$shot" $((origin_x + 20)) $((origin_y + 500)) 620 30 2>/dev/null || return 1
  python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); print(sum(1 for b in d if b < 128) / max(len(d), 1))' "$shot"
}

# kde_start: kwin on a 1280x800 virtual screen with fcitx5, its session
# bus and the fake-input client; sets WAYLAND_DISPLAY and adds it to
# `as_user`.
kde_start() {
  mkdir -p "$XDG_RUNTIME_DIR" "$home/.local/share/applications"
  chmod 700 "$XDG_RUNTIME_DIR"
  cp "$fake_input_program" "$work/kwin_fake_input"
  # kwin 5 offers fake input to the programs its desktop files list; kwin 6
  # only without permission checks.
  printf '[Desktop Entry]\nType=Application\nName=Typhoros test input\nExec=%s\nNoDisplay=true\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n' \
    "$work/kwin_fake_input" > "$home/.local/share/applications/typhoros-test-input.desktop"
  own
  "${as_user[@]}" dbus-daemon --session --address="unix:path=$XDG_RUNTIME_DIR/bus" --fork >/dev/null || return 1
  ("${as_user[@]}" KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 XDG_CURRENT_DESKTOP=KDE \
    QT_LOGGING_RULES="kwin_scripting.debug=true;js.debug=true" \
    kwin_wayland --virtual --width 1280 --height 800 --no-lockscreen --no-global-shortcuts \
      --socket typhoros-kde --inputmethod /usr/bin/fcitx5 >"$work/compositor.log" 2>&1 &)
  patience=30 wait_for kde_dbus /Scripting org.freedesktop.DBus.Peer.Ping || { tail -20 "$work/compositor.log"; return 1; }
  export WAYLAND_DISPLAY=typhoros-kde
  # kwin 6 finds no window decoration in the root (kwin 5's package
  # brings aurorae, which draws no border here) and then tells each window
  # to draw its own (xdg-decoration mode client_side). Qt does, inside the
  # surface: its title bar and borders push the widgets 3 and 30 pixels
  # away from the client-area points the clicks aim at. Under Plasma kwin
  # decorates the game itself and Qt draws none, as here without Qt's
  # decoration.
  as_user+=(WAYLAND_DISPLAY="$WAYLAND_DISPLAY" QT_WAYLAND_DISABLE_WINDOWDECORATION=1)
  coproc fake_input { exec "${as_user[@]}" "$work/kwin_fake_input"; }
  kde_input "move 1 1" || { echo "the fake-input client did not start"; return 1; }
  # kwin 6 in a container falls back to drawing without OpenGL, and then
  # offers no screenshots.
  if ! kde_screenshot "$work/probe.grey" 0 0 1 1 2>/dev/null; then
    pictures=none
    echo "   kwin gives no screenshots here: the answer box's ink goes unchecked"
  fi
}

# kde_mozc_setup: fcitx5 with Mozc on (kwin has started it with the
# profile configure_mozc wrote); the game reaches it through text-input.
kde_mozc_setup() {
  engine_ready() { grep -q "Loaded addon mozc" "$work/compositor.log" || [[ $("${as_user[@]}" fcitx5-remote -n 2>/dev/null) == mozc ]]; }
}
