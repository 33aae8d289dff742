#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice with a private
# sound server and a virtual display: once plain and once under the address
# and undefined-behaviour sanitizers, each in a tree of its own. Fails when
# either run fails.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/setup.sh"
# Trees of their own, with Qt's asserts on; the program's tree stays without.
plain=${MELODUNE_TEST_BUILD_DIR:-$root/build-tests}
sanitized=${MELODUNE_SANITIZE_BUILD_DIR:-$root/build-sanitize}
MELODUNE_BUILD_DIR=$plain "$root/scripts/build.sh" -DMELODUNE_QT_ASSERTS=ON
MELODUNE_BUILD_DIR=$sanitized "$root/scripts/build.sh" -DMELODUNE_QT_ASSERTS=ON -DMELODUNE_SANITIZE=ON

status=0
echo "== Tests =="
"$root/tests/run_tests.sh" "$plain" "$@" || status=1
echo "== Tests under the sanitizers =="
"$root/tests/run_tests.sh" "$sanitized" "$@" || status=1
exit $status
