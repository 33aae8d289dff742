#!/usr/bin/env bash
# Runs the CTest suite of a build tree with a private PulseAudio server
# (null sink, 440 Hz sine source, pipe source) and an Xvfb display.
# Both servers are stopped by process id when the run ends.
set -uo pipefail
build=${1:?build directory}
shift || true

work=$(mktemp -d /tmp/melodune-test.XXXXXX)
pulse_pid=""
xvfb_pid=""
cleanup() {
  [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  sleep 0.2
  [ -n "$pulse_pid" ] && kill -9 "$pulse_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill -9 "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# --- PulseAudio -------------------------------------------------------------
mkdir -p "$work/pulse" "$work/home"
cat > "$work/pulse/default.pa" <<PA
load-module module-native-protocol-unix socket=$work/pulse/native auth-anonymous=1
load-module module-null-sink sink_name=melodune_null
load-module module-sine-source source_name=melodune_sine frequency=440 rate=44100
load-module module-pipe-source source_name=melodune_pipe file=$work/pulse/mic.fifo format=s16le rate=44100 channels=2
set-default-sink melodune_null
set-default-source melodune_sine
PA
export PULSE_RUNTIME_PATH="$work/pulse/runtime"
export PULSE_STATE_PATH="$work/pulse/state"
export PULSE_SERVER="unix:$work/pulse/native"
export MELODUNE_TEST_MIC_FIFO="$work/pulse/mic.fifo"
HOME="$work/home" pulseaudio --daemonize=no --system=false --exit-idle-time=-1 -n \
  -F "$work/pulse/default.pa" --log-target=file:"$work/pulse/log" >/dev/null 2>&1 &
pulse_pid=$!

# --- Xvfb -------------------------------------------------------------------
display=""
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export MELODUNE_TEST_DISPLAY="$display"

# Bounded waits for both servers.
for _ in $(seq 1 100); do
  [ -S "$work/pulse/native" ] && [ -p "$work/pulse/mic.fifo" ] && break
  sleep 0.1
done
if [ ! -S "$work/pulse/native" ]; then
  echo "PulseAudio did not start:"; cat "$work/pulse/log" 2>/dev/null
fi
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done

export QT_QPA_PLATFORM=offscreen
export MELODUNE_TEST_TMP="$work"
cd "$build"
ctest --output-on-failure --timeout 300 -j "$(nproc)" "$@"
