#!/usr/bin/env bash
# Installs what is missing, builds, and starts Melodune.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
exec "${MELODUNE_BUILD_DIR:-$root/build}/bin/melodune" "$@"
