#!/usr/bin/env bash
# Measures how long the main window stops answering while it takes in big
# lyric text, on a private Xvfb display: the largest gap between ticks of a
# 50 ms timer on the window thread, for lyric files of 1, 5 and 20 MB, a line
# of 100,000 time tags and a 100 MB lyrics-service reply, with the time until
# the text was handled and the peak memory. Builds the measuring tool into
# build/ (or $MELODUNE_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MELODUNE_BUILD_DIR:-$root/build}

"$root/scripts/setup.sh"
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$(nproc)" --target lyrics_bench_stall >/dev/null

. "$root/tests/support/private_servers.sh"
work=$(mktemp -d /tmp/melodune-stall.XXXXXX)
cleanup() {
  stop_private_servers
  rm -rf "$work"
}
trap cleanup EXIT
start_private_servers "$work" >/dev/null
export DISPLAY="$MELODUNE_TEST_DISPLAY" QT_QPA_PLATFORM=xcb
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

tool="$build/tests/lyrics/lyrics_bench_stall"
cases=${MELODUNE_STALL_CASES:-"lrc:1 lrc:5 lrc:20 tags:100000 reply:100"}
for c in $cases; do
  "$tool" "${c%%:*}" "${c#*:}"
done
