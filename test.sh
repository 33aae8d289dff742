#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with a private sound
# server and a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
exec "$root/tests/run_tests.sh" "${MELODUNE_BUILD_DIR:-$root/build}" "$@"
