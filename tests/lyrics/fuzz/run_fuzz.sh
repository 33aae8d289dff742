#!/bin/sh
# Builds the LRC parser fuzzer with clang and runs it for a bounded time.
#   tests/lyrics/fuzz/run_fuzz.sh [build-dir] [seconds]
# Exits non-zero when the fuzzer finds a crash, a sanitizer report or a
# failed check (the reproducer is written to the build dir).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-/tmp/melodune-fuzz-lrc}
secs=${2:-20}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
ninja -C "$build" fuzz_lrc >/dev/null
mkdir -p "$build/corpus"
cp "$here"/seeds/*.lrc "$build/corpus/" 2>/dev/null || true
cd "$build"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ./fuzz_lrc -max_total_time="$secs" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
             -print_final_stats=1 -dict="$here/lrc.dict" corpus
