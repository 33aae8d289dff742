#!/usr/bin/env bash
# Measures how long the main window stops answering while it takes in big
# lyric text, on a private Xvfb display: the largest gap between ticks of a
# 50 ms timer on the window thread, for lyric files of 1, 5 and 20 MB, a line
# of 100,000 time tags and a 100 MB lyrics-service reply (with its length
# announced and as a bare stream) and lyrics-service notices of 1 MB (one word
# and many) and a 300 KB refusal, shown in a real box, with the time until
# the text was handled and the peak memory. Then the time until the
# program's window shows, and its peak memory, on a 400 MB List.mdu beside a
# full 32,767-entry one.
# Builds the measuring tool and the program into build/ (or
# $MELODUNE_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MELODUNE_BUILD_DIR:-$root/build}

"$root/scripts/setup.sh"
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$(nproc)" --target lyrics_bench_stall melodune >/dev/null

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
cases=${MELODUNE_STALL_CASES:-"lrc:1 lrc:5 lrc:20 lrc:50 tags:100000 reply:100 stream:100 notice:1 words:1 forbid:0.3"}
for c in $cases; do
  "$tool" "${c%%:*}" "${c#*:}"
done

# Lists: entries as long as usual paths, "$1" bytes' worth or "$2" entries.
write_list() {
  awk -v bytes="$1" -v count="$2" 'BEGIN {
    printf "\">0\"\r\n"; n = 0; size = 0
    while ((count > 0 && n < count) || (count == 0 && size < bytes)) {
      line = sprintf("\"/music/album %d/track %d.mp3\"\r\n", n / 12, n); printf "%s", line
      size += length(line); n++
    }
  }'
}
write_list 0 32767 >"$work/list-full.mdu"
write_list 400000000 0 >"$work/list-400mb.mdu"
for list in list-full list-400mb; do
  data="$work/data-$list"
  mkdir -p "$data"
  cp "$work/$list.mdu" "$data/List.mdu"
  start=$(date +%s%N)
  MELODUNE_DATA_DIR="$data" MELODUNE_LOCK_FILE="$work/lock" MELODUNE_NONINTERACTIVE=1 \
    "$build/bin/melodune" >/dev/null 2>&1 &
  pid=$!
  shown=""
  for _ in $(seq 1 6000); do
    if xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; then shown=$(date +%s%N); break; fi
    sleep 0.02
  done
  sleep 2
  peak=$(awk '/VmHWM/ {print int($2 / 1024)}' "/proc/$pid/status")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  if [ -n "$shown" ]; then
    echo "$list ($(($(stat -c %s "$work/$list.mdu") / 1000000)) MB): window after $(((shown - start) / 1000000)) ms, peak $peak MB"
  else
    echo "$list: no window within 120 s"
  fi
  rm -rf "$data"
done
