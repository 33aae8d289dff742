#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with a private sound
# server and a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/setup.sh"
# A tree of its own, with Qt's asserts on; the program's tree stays without.
build=${MELODUNE_TEST_BUILD_DIR:-$root/build-tests}
MELODUNE_BUILD_DIR=$build "$root/scripts/build.sh" -DMELODUNE_QT_ASSERTS=ON
exec "$root/tests/run_tests.sh" "$build" "$@"
