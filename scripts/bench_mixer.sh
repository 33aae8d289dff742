#!/usr/bin/env bash
# Measures the recording-volume write and read of the input panel against
# pactl, on the private sound server of the tests: the median of a Let+Get
# pair through the recorder, and of `pactl set-source-volume` followed by
# `pactl get-source-volume` in the same run.
#   scripts/bench_mixer.sh [SOURCE [ROUNDS]]   (default melodune_stereo 200)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MELODUNE_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j 4 --target melodune_benchmixer >/dev/null

. "$root/tests/support/private_servers.sh"
work=$(mktemp -d /tmp/melodune-bench-mixer.XXXXXX)
cleanup() {
  stop_private_servers
  rm -rf "$work"
}
trap cleanup EXIT
start_private_servers "$work" >/dev/null
"$build/tests/support/melodune_benchmixer" "$@"
