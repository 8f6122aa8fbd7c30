#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command beside a private sound server that speaks the PulseAudio
# protocol: a PulseAudio daemon, or PipeWire with pipewire-pulse and
# WirePlumber, from a scratch root (see sound-root.sh; "/" is the installed
# server). Its one sink, "sink", is a null sink at 48 kHz stereo (what
# desktops run), so that what reaches it can be recorded from "sink.monitor".
# The command finds the server through PULSE_SERVER. The server ends with the command, stopped by
# process id, with everything it needed.
#
# Usage: sound-server.sh pulseaudio|pipewire ROOT COMMAND [ARG...]
set -euo pipefail
[[ $# -ge 3 ]] || { echo "usage: sound-server.sh pulseaudio|pipewire ROOT COMMAND..." >&2; exit 2; }
server=$1
root=$(cd "$2" && pwd)
shift 2
lib="$root/usr/lib/$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)"
dir=$(mktemp -d)
pids=()
stop() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$dir"
}
trap stop EXIT
mkdir -m 700 "$dir/runtime" "$dir/home"
printf 'autospawn = no\n' > "$dir/client.conf"
export XDG_RUNTIME_DIR="$dir/runtime" HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config"
export PULSE_CLIENTCONFIG="$dir/client.conf"

case $server in
  pulseaudio)
    export PULSE_SERVER="unix:$dir/native"
    modules=("$root"/usr/lib/pulse-*/modules)
    # norewinds: the null sink otherwise renders far ahead and holds back
    # what a short-lived stream wrote. The library path (the daemon's core,
    # the modules' own libraries) is the daemon's alone: the command uses the
    # system's client library.
    LD_LIBRARY_PATH="$lib/pulseaudio:${modules[0]}:$lib" "$root/usr/bin/pulseaudio" -n --dl-search-path="${modules[0]}" \
      --daemonize=no --use-pid-file=no --exit-idle-time=-1 --disallow-exit --log-target=stderr \
      -L "module-native-protocol-unix socket=$dir/native" \
      -L "module-null-sink sink_name=sink rate=48000 channels=2 norewinds=1" \
      -L module-always-sink 2>"$dir/server.log" &
    pids+=($!)
    ;;
  pipewire)
    export LD_LIBRARY_PATH="$lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
    export SPA_PLUGIN_DIR="$lib/spa-0.2" PIPEWIRE_MODULE_DIR="$lib/pipewire-0.3"
    # The packaged configuration, and our sink beside it.
    cp -r "$root/usr/share/pipewire" "$dir/pipewire"
    export PIPEWIRE_CONFIG_DIR="$dir/pipewire"
    # The module folder is named after WirePlumber's version (0.4, 0.5...).
    modules=("$lib"/wireplumber-*)
    export WIREPLUMBER_MODULE_DIR="${modules[0]}" WIREPLUMBER_DATA_DIR="$root/usr/share/wireplumber"
    export WIREPLUMBER_CONFIG_DIR="$root/usr/share/wireplumber"
    export PULSE_SERVER="unix:$dir/runtime/pulse/native"
    mkdir -p "$dir/pipewire/pipewire.conf.d"
    cat > "$dir/pipewire/pipewire.conf.d/sink.conf" <<'CONF'
context.objects = [
  { factory = adapter
    args = {
      factory.name = support.null-audio-sink
      node.name = "sink"
      media.class = "Audio/Sink"
      object.linger = true
      audio.position = [ FL FR ]
      audio.rate = 48000
      monitor.channel-volumes = true
    }
  }
]
CONF
    # WirePlumber wants a session bus: a private one that starts nothing.
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus"
    dbus-daemon --config-file="$(dirname "$0")/private-bus.conf" --address="$DBUS_SESSION_BUS_ADDRESS" --nofork \
      2>>"$dir/server.log" &
    pids+=($!)
    for _ in $(seq 100); do [[ -S "$dir/bus" ]] && break; sleep 0.02; done
    "$root/usr/bin/pipewire" 2>>"$dir/server.log" &
    pids+=($!)
    # WirePlumber gives up (exit 69) when PipeWire does not answer yet.
    for _ in $(seq 200); do
      "$root/usr/bin/pw-cli" info 0 >/dev/null 2>&1 && break
      sleep 0.02
    done
    "$root/usr/bin/wireplumber" >>"$dir/server.log" 2>&1 &
    pids+=($!)
    "$root/usr/bin/pipewire-pulse" 2>>"$dir/server.log" &
    pids+=($!)
    ;;
  *)
    echo "usage: sound-server.sh pulseaudio|pipewire ROOT COMMAND..." >&2
    exit 2
    ;;
esac

# Ready once the sink is there (under PipeWire, once WirePlumber made it the default).
ready() { pactl info 2>/dev/null | grep -qx "Default Sink: sink"; }
for _ in $(seq 200); do
  ready && break
  sleep 0.05
done
if ! ready; then
  echo "sound-server.sh: the $server server did not start:" >&2
  cat "$dir/server.log" >&2
  exit 1
fi
"$@"
