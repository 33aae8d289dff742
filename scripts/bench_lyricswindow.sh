#!/usr/bin/env bash
# Measures the full-screen lyrics window on a private 1920x1080 Xvfb display
# and PulseAudio server, and prints:
#   - the lag from a line's tenth to the repaint that shows it (median and
#     worst), in the main window's text view and in sub-modes 100, 101, 102,
#     with the CPU of the whole program (playback included) over 30 s each;
#   - the CPU of `mpv --fs --force-window --sub-file=<the LRC>` playing the
#     same song with the same lyrics, in the same run;
#   - the time to open the window on a 2,000-line lyric.
# Builds the measuring tool into build/ (or $MELODUNE_BUILD_DIR); installs
# Debian's mpv when it is missing. Takes about three minutes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MELODUNE_BUILD_DIR:-$root/build}
seconds=${1:-30}

"$root/scripts/setup.sh"
if ! command -v mpv >/dev/null; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends mpv
fi
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$(nproc)" --target lyrics_bench_frmlrc melodune_data >/dev/null

. "$root/tests/support/private_servers.sh"
work=$(mktemp -d /tmp/melodune-lrcbench.XXXXXX)
mpv_pid=""
cleanup() {
  if [ -n "$mpv_pid" ]; then kill -9 "$mpv_pid" 2>/dev/null || true; fi
  stop_private_servers
  rm -rf "$work"
}
trap cleanup EXIT
MELODUNE_XVFB_SCREEN=1920x1080x24 start_private_servers "$work" >/dev/null
export DISPLAY="$MELODUNE_TEST_DISPLAY" QT_QPA_PLATFORM=xcb
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

echo "Measuring on 1920x1080 (about $((seconds * 4 / 60 + 2)) minutes)..." >&2
"$build/tests/lyrics/lyrics_bench_frmlrc" "$work/bench" "$seconds" 2>"$work/bench.err"

# mpv showing the same LRC full screen over the same song.
hz=$(getconf CLK_TCK)
ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
mpv --no-config --no-terminal --fs --force-window=yes --ao=pulse \
  --sub-file="$work/bench/song.lrc" "$work/bench/song.mp3" >/dev/null 2>&1 &
mpv_pid=$!
sleep 3
t0=$(date +%s%N); c0=$(ticks "$mpv_pid")
sleep "$seconds"
t1=$(date +%s%N); c1=$(ticks "$mpv_pid")
awk -v c="$((c1 - c0))" -v hz="$hz" -v ns="$((t1 - t0))" \
  'BEGIN { printf "%-28s CPU %.1f %% of a core\n", "mpv --fs --sub-file (LRC)", 100 * c / hz / (ns / 1e9) }'
kill "$mpv_pid" 2>/dev/null || true
wait "$mpv_pid" 2>/dev/null || true
mpv_pid=""
