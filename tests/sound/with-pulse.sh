#!/usr/bin/env bash
# Runs a command beside a private PulseAudio daemon whose one sink, "sink",
# is a null sink at 48 kHz stereo (what desktops run), so that what reaches
# it can be recorded from "sink.monitor". The command finds the daemon
# through PULSE_SERVER; the daemon ends with the command, and only it is
# stopped (by its process id).
#
# Usage: with-pulse.sh COMMAND [ARG...]
set -euo pipefail
dir=$(mktemp -d)
pulse_pid=
stop() {
  [[ -n "$pulse_pid" ]] && kill "$pulse_pid" 2>/dev/null && wait "$pulse_pid" 2>/dev/null
  rm -rf "$dir"
}
trap stop EXIT
mkdir -m 700 "$dir/runtime" "$dir/home"
printf 'autospawn = no\n' > "$dir/client.conf"
export XDG_RUNTIME_DIR="$dir/runtime" HOME="$dir/home" PULSE_CLIENTCONFIG="$dir/client.conf"
export PULSE_SERVER="unix:$dir/native"

# norewinds: the null sink otherwise renders far ahead and holds back what a
# short-lived stream wrote.
pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 --disallow-exit --log-target=stderr \
  -L "module-native-protocol-unix socket=$dir/native" \
  -L "module-null-sink sink_name=sink rate=48000 channels=2 norewinds=1" \
  -L module-always-sink 2>"$dir/pulse.log" &
pulse_pid=$!
for _ in $(seq 200); do
  pactl info >/dev/null 2>&1 && break
  kill -0 "$pulse_pid" 2>/dev/null || break
  sleep 0.05
done
if ! pactl info >/dev/null 2>&1; then
  echo "with-pulse.sh: the PulseAudio daemon did not start:" >&2
  cat "$dir/pulse.log" >&2
  exit 1
fi
"$@"
