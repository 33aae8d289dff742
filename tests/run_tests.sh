#!/usr/bin/env bash
# Runs the CTest suite of a build tree with a private PulseAudio server
# (null sink, 440 Hz sine source, pipe source) and an Xvfb display.
# Both servers are stopped by process id when the run ends.
set -uo pipefail
build=${1:?build directory}
shift || true

. "$(dirname "$0")/support/private_servers.sh"
work=$(mktemp -d /tmp/melodune-test.XXXXXX)
cleanup() {
  stop_private_servers
  rm -rf "$work"
}
trap cleanup EXIT
start_private_servers "$work"

export QT_QPA_PLATFORM=offscreen
export MELODUNE_TEST_TMP="$work"
# The desktop's files (file types, defaults) and the association store go
# to the run's own folders, never into the user's home.
export XDG_DATA_HOME="$work/xdg-data" XDG_CONFIG_HOME="$work/xdg-config"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
cd "$build"
ctest --output-on-failure --timeout 300 -j "$(nproc)" "$@"
