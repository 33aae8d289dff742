# Sourced by tests/run_tests.sh and scripts/bench.sh: a private PulseAudio
# server (null sink, 440 Hz sine source, pipe source, and silent 1-, 2- and
# 4-channel sources whose volume only the mixer tests change) and an Xvfb
# display,
# both kept below a work folder and stopped by process id.
#
#   start_private_servers WORK   starts both; exports PULSE_SERVER (and the
#                                runtime/state paths), MELODUNE_TEST_MIC_FIFO
#                                and MELODUNE_TEST_DISPLAY; the display is
#                                1280x1024x24 unless MELODUNE_XVFB_SCREEN says
#   stop_private_servers         stops both (call it from an EXIT trap)

private_pulse_pid=""
private_xvfb_pid=""

start_private_servers() {
  local work=$1
  # --- PulseAudio -----------------------------------------------------------
  mkdir -p "$work/pulse" "$work/home"
  cat > "$work/pulse/default.pa" <<PA
load-module module-native-protocol-unix socket=$work/pulse/native auth-anonymous=1
load-module module-null-sink sink_name=melodune_null
load-module module-sine-source source_name=melodune_sine frequency=440 rate=44100
load-module module-pipe-source source_name=melodune_pipe file=$work/pulse/mic.fifo format=s16le rate=44100 channels=2
load-module module-null-source source_name=melodune_mono channels=1 rate=44100 description=Melodune-Mono-Input
load-module module-null-source source_name=melodune_stereo channels=2 rate=44100 description=Melodune-Stereo-Input
load-module module-null-source source_name=melodune_quad channels=4 rate=44100 description=Melodune-Quad-Input
set-default-sink melodune_null
set-default-source melodune_sine
PA
  export PULSE_RUNTIME_PATH="$work/pulse/runtime"
  export PULSE_STATE_PATH="$work/pulse/state"
  export PULSE_SERVER="unix:$work/pulse/native"
  export MELODUNE_TEST_MIC_FIFO="$work/pulse/mic.fifo"
  HOME="$work/home" pulseaudio --daemonize=no --system=false --exit-idle-time=-1 -n \
    -F "$work/pulse/default.pa" --log-target=file:"$work/pulse/log" >/dev/null 2>&1 &
  private_pulse_pid=$!

  # --- Xvfb -----------------------------------------------------------------
  # Xvfb takes a free display itself and names it once it listens, so
  # suites started side by side never share one.
  rm -f "$work/xvfb.display"
  Xvfb -displayfd 3 -screen 0 "${MELODUNE_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp \
    3>"$work/xvfb.display" >"$work/xvfb.log" 2>&1 &
  private_xvfb_pid=$!

  # Bounded waits for both servers.
  local _
  for _ in $(seq 1 100); do
    [ -S "$work/pulse/native" ] && [ -p "$work/pulse/mic.fifo" ] && break
    sleep 0.1
  done
  if [ ! -S "$work/pulse/native" ]; then
    echo "PulseAudio did not start:"; cat "$work/pulse/log" 2>/dev/null
  fi
  local display=""
  for _ in $(seq 1 100); do
    # A whole line: Xvfb writes the number and its newline once it listens.
    IFS= read -r display 2>/dev/null < "$work/xvfb.display" && [ -n "$display" ] && break
    display=""
    sleep 0.1
  done
  if [ -z "$display" ]; then
    echo "Xvfb did not start:"; cat "$work/xvfb.log" 2>/dev/null
  fi
  export MELODUNE_TEST_DISPLAY=":$display"
}

stop_private_servers() {
  local pid
  for pid in $private_pulse_pid $private_xvfb_pid; do kill "$pid" 2>/dev/null || true; done
  sleep 0.2
  for pid in $private_pulse_pid $private_xvfb_pid; do kill -9 "$pid" 2>/dev/null || true; done
  private_pulse_pid=""
  private_xvfb_pid=""
}
