# SPDX-License-Identifier: MIT
# GNOME's compositor and shell, gnome-shell, run headless on Wayland with
# XWayland beside it, as a player's session has it, driven through the
# shell's own JavaScript (org.gnome.Shell.Eval,
# which a small extension opens by turning on the shell's unsafe mode):
# keys and clicks through Clutter virtual devices, windows from the shell's
# window list, pictures from its screenshot service. IBus, which the shell
# starts itself, offers Mozc as the second input source. Programs started
# from the shell's menu (gnome_launch) get the shell's own environment.
# Sourced after lib.sh by an end-to-end script that has set `home`, `as_user`
# (the command prefix that runs as the player's user, in the session) and
# `token`; gives the
# compositor driver that wayland-checks.sh describes.

gnome_extension=typhoros-tests@typhoros.invalid

# gnome_eval JS: the value of JS in the shell, as text; fails when the shell
# does not answer or JS throws.
gnome_eval() {
  local out
  out=$("${as_user[@]}" gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.gnome.Shell.Eval "$1" 2>/dev/null) || return 1
  [[ $out == "(true, '"* ]] || return 1
  out=${out#"(true, '"}
  out=${out%"')"}
  out=${out#\"}
  printf '%s\n' "${out%\"}"
}

# gnome_desktop_shown: whether the shell has started and shows the desktop,
# not the overview; asks it to leave the overview if not.
gnome_desktop_shown() {
  [[ $(gnome_eval "(() => {
    if (Main.layoutManager._startingUp || Main.overview.animationInProgress) return 'starting';
    if (Main.overview.visible) { Main.overview.hide(); return 'overview'; }
    return 'desktop'; })()") == desktop ]]
}

# The seat's virtual devices, made once.
gnome_devices='const C = imports.gi.Clutter, G = imports.gi.GLib;
  const seat = (global.stage.context ? global.stage.context.get_backend() : C.get_default_backend()).get_default_seat();
  globalThis.typhorosKeys ??= seat.create_virtual_device(C.InputDeviceType.KEYBOARD_DEVICE);
  globalThis.typhorosPointer ??= seat.create_virtual_device(C.InputDeviceType.POINTER_DEVICE);
  const t = () => G.get_monotonic_time();'

# gnome_keysyms JS_ARRAY: presses and releases the keys of those keysyms.
gnome_keysyms() {
  gnome_eval "(() => { $gnome_devices
    for (const s of $1) {
      typhorosKeys.notify_keyval(t(), s, C.KeyState.PRESSED);
      typhorosKeys.notify_keyval(t(), s, C.KeyState.RELEASED);
    }
    return 1; })()" >/dev/null
}

# gnome_start: the shell on a 1280x800 virtual monitor, its session bus and
# the extension; sets WAYLAND_DISPLAY and adds it to `as_user`.
gnome_start() {
  local major ext=$home/.local/share/gnome-shell/extensions/$gnome_extension
  major=$(gnome-shell --version | awk '{ split($3, v, "."); print v[1] }')
  mkdir -p "$ext" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  printf '{"uuid": "%s", "name": "Typhoros tests", "description": "Lets the end-to-end tests drive the shell", "shell-version": ["%s"]}\n' \
    "$gnome_extension" "$major" > "$ext/metadata.json"
  if ((major >= 45)); then
    cat > "$ext/extension.js" <<'JS'
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';
export default class TestsExtension extends Extension {
    enable() { global.context.unsafe_mode = true; }
    disable() { global.context.unsafe_mode = false; }
}
JS
  else
    cat > "$ext/extension.js" <<'JS'
function init() {
    return {
        enable() { global.context.unsafe_mode = true; },
        disable() { global.context.unsafe_mode = false; },
    };
}
JS
  fi
  own
  # The standard session bus: GSettings reaches its store (dconf) through it.
  "${as_user[@]}" dbus-daemon --session --address="unix:path=$XDG_RUNTIME_DIR/bus" --fork >/dev/null || return 1
  "${as_user[@]}" gsettings set org.gnome.shell enabled-extensions "['$gnome_extension']"
  "${as_user[@]}" gsettings set org.gnome.desktop.input-sources sources "[('xkb', 'us'), ('ibus', 'mozc-jp')]"
  # XWayland's socket folder, as a system has it.
  mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
  # In a subshell of its own, which does not wait: the shell may crash as
  # it is stopped at the end, which is no news. What the shell starts gets
  # its environment: the game from the menu is the sanitizers' build, whose
  # leak report at exit is no news either.
  ("${as_user[@]}" XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland ASAN_OPTIONS=detect_leaks=0 \
    gnome-shell --headless --wayland --virtual-monitor 1280x800 >"$work/compositor.log" 2>&1 &)
  # The shell starts in the overview, which takes the keys and clicks; it
  # can be left once the start-up animation is over.
  patience=30 wait_for gnome_desktop_shown || { tail -20 "$work/compositor.log"; return 1; }
  export WAYLAND_DISPLAY=wayland-0
  as_user+=(WAYLAND_DISPLAY="$WAYLAND_DISPLAY")
  # The pointer moves once before any window opens (see click_at), to a
  # spot no window covers and away from the top-left hot corner, which on
  # GNOME 50 catches the next move and opens the overview over the game.
  click_to 1240 760
}

# gnome_mozc_on: Mozc, the second input source, becomes the active one.
gnome_mozc_on() {
  gnome_eval 'Main.panel.statusArea.keyboard._inputSourceManager.inputSources[1].activate(true); 1' >/dev/null ||
    gnome_eval 'imports.ui.status.keyboard.getInputSourceManager().inputSources[1].activate(true); 1' >/dev/null
}
gnome_engine() { "${as_user[@]}" ibus engine 2>/dev/null; }

# Qt draws the frame of the game's windows on GNOME, and the frame is the
# game's own (src/frame): a 32-pixel title bar and 1 pixel at the sides and
# the bottom round the client area, all inside the window's frame rectangle.
frame_side=1
frame_title=32
# An X11 window (through XWayland) has the shell's own frame round it.
views() {
  gnome_eval "(() => {
    const ws = global.get_window_actors().filter(a => a.visible).map(a => a.meta_window);
    return ws.map(w => { const r = w.get_frame_rect(), native = w.get_client_type() == 0;
      const c = native ? { x: r.x + $frame_side, y: r.y + $frame_title, width: r.width - 2 * $frame_side,
                           height: r.height - $frame_title - $frame_side } : w.frame_rect_to_client_rect(r);
      return [w.get_stable_sequence(), w.has_focus(), c.x + ' ' + c.y, c.width + 'x' + c.height,
              native ? 'xdg_shell' : 'xwayland', w.get_title()].join('|'); }).join('~'); })()" | tr '~|' '\n\t'
}
# gnome_window JS ID: the value of JS about the window of that id, `w`.
gnome_window() {
  gnome_eval "(() => { const w = global.get_window_actors().map(a => a.meta_window).find(w => w.get_stable_sequence() == $2);
    return w ? '' + ($1) : ''; })()"
}
# window_app ID: the desktop entry the shell has tied the window to, as its
# top bar and dash show it (window:N when none).
window_app() { gnome_window "imports.gi.Shell.WindowTracker.get_default().get_window_app(w).get_id()" "$1"; }
window_pid() { gnome_window "w.get_pid()" "$1"; }
# launch ENTRY: starts the desktop entry ENTRY (its id, with .desktop) as a
# click on it in the dash does, once the shell knows it.
launch() {
  entry_known() { [[ $(gnome_eval "'' + !!imports.gi.Shell.AppSystem.get_default().lookup_app('$1')") == true ]]; }
  wait_for entry_known "$1" || return 1
  gnome_eval "(() => { const Shell = imports.gi.Shell;
    Shell.AppSystem.get_default().lookup_app('$1').launch(0, -1, Shell.AppLaunchGpu.APP_PREF); return 1; })()" >/dev/null
}
# candidate_list: where the input method's candidate list is on the screen
# (x y width height), as the shell draws IBus's; empty while it is hidden.
candidate_list() {
  gnome_eval "(() => {
    const find = a => { if (a.has_style_class_name?.('candidate-popup-boxpointer')) return a;
      for (const c of a.get_children()) { const f = find(c); if (f) return f; } return null; };
    const p = find(global.stage);
    if (!p || !p.visible || p.opacity == 0) return '';
    const [x, y] = p.get_transformed_position(), [w, h] = p.get_transformed_size();
    return [x, y, w, h].map(Math.round).join(' '); })()"
}
on_top() {
  # Override-redirect windows (the shell's own on XWayland) are no one's.
  [[ $(gnome_eval "(() => { const ws = global.display.sort_windows_by_stacking(global.get_window_actors()
      .map(a => a.meta_window).filter(w => !w.is_override_redirect()));
    return '' + ws[ws.length - 1].get_stable_sequence(); })()") == "$1" ]]
}
# click_to X Y: the pointer to a point of the screen.
click_to() { gnome_eval "(() => { $gnome_devices typhorosPointer.notify_absolute_motion(t(), $1, $2); return 1; })()" >/dev/null; }
# click_at X Y: a click there; the pointer comes from a pixel away, as a hand
# moves it.
click_at() {
  click_to $(($1 - 1)) $(($2 - 1)) && sleep 0.05 && click_to "$1" "$2" && sleep 0.05 &&
    gnome_eval "(() => { $gnome_devices
      typhorosPointer.notify_button(t(), C.BUTTON_PRIMARY, C.ButtonState.PRESSED);
      typhorosPointer.notify_button(t(), C.BUTTON_PRIMARY, C.ButtonState.RELEASED); return 1; })()" >/dev/null &&
    sleep 0.1
}
press() {
  local key
  for key; do gnome_keysyms "[C.KEY_$key]" && sleep 0.15; done
}
type_text() {
  local i
  for ((i = 0; i < ${#1}; i++)); do
    gnome_keysyms "[C.unicode_to_keysym($(printf '%d' "'${1:i:1}"))]" && sleep 0.06
  done
}
# gnome_screenshot FILE [X Y W H]: the screen, or that part of it, as PNG.
gnome_screenshot() {
  if [[ $# -eq 5 ]]; then
    "${as_user[@]}" gdbus call --session --dest org.gnome.Shell.Screenshot --object-path /org/gnome/Shell/Screenshot \
      --method org.gnome.Shell.Screenshot.ScreenshotArea "$2" "$3" "$4" "$5" false "$1" >/dev/null
  else
    "${as_user[@]}" gdbus call --session --dest org.gnome.Shell.Screenshot --object-path /org/gnome/Shell/Screenshot \
      --method org.gnome.Shell.Screenshot.Screenshot false false "$1" >/dev/null
  fi
}
# gnome_ink X Y W H [LEVEL]: the share of pixels darker than LEVEL (128)
# in that part of the screen.
gnome_ink() {
  local shot=$work/ink.png
  rm -f "$shot"
  gnome_screenshot "$shot" "$1" "$2" "$3" "$4" || return 1
  gnome_eval "(() => { const pb = imports.gi.GdkPixbuf.Pixbuf.new_from_file('$shot');
    const px = pb.get_pixels(), n = pb.get_n_channels(), rs = pb.get_rowstride();
    let dark = 0;
    for (let y = 0; y < pb.get_height(); y++)
      for (let x = 0; x < pb.get_width(); x++) {
        const i = y * rs + x * n;
        if (0.299 * px[i] + 0.587 * px[i + 1] + 0.114 * px[i + 2] < ${5:-128}) dark++;
      }
    return '' + dark / (pb.get_width() * pb.get_height()); })()"
}
box_ink() { gnome_ink $((origin_x + 20)) $((origin_y + 500)) 620 30; }

# gnome_frame_checks: the game window's frame shows its title and a close
# button and no other (the window cannot grow, and the game offers no
# minimise), and the close button ends the game. The button is a 22-pixel
# circle 6 pixels in from the right-hand end of the title bar; its glyph is
# drawn grey where the window is not active, hence the lighter level.
gnome_frame_checks() {
  echo "== the game's own frame"
  new_folder
  own
  start_game
  local width=755 button_y=$((origin_y - frame_title + 5))
  local close_x=$((origin_x + width - 6 - 22))
  check "the title is shown" [ "$(gnome_ink $((origin_x + width / 2 - 60)) "$button_y" 120 22 170)" != 0 ]
  check "the title bar has a close button" [ "$(gnome_ink "$close_x" "$button_y" 22 22 170)" != 0 ]
  check "and no other button" [ "$(gnome_ink $((close_x - 100)) "$button_y" 96 22 170)" = 0 ]
  click_at $((close_x + 11)) $((button_y + 11))
  wait_exit_code
  check "the frame's close button ends the game with 0" [ $? -eq 0 ]
}

gnome_version() { gnome-shell --version; }
# gnome_mozc_setup: Mozc on, reached as a player on this Qt reaches it.
gnome_mozc_setup() {
  # The shell starts IBus a moment after it starts itself: until then the
  # input source does not take.
  engine_ready() { [[ $(gnome_engine) == mozc-jp ]] || { gnome_mozc_on; false; }; }
  # Qt speaks text-input v3, the protocol through which the shell offers
  # IBus, from 6.7; before, it needs its ibus module.
  qt_at_least 6.7 || as_player+=(QT_IM_MODULE=ibus)
}
