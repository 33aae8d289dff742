#!/usr/bin/env bash
# Runs a test on the suite's Xvfb display (window masks, video, screenshots).
if [ -n "${MELODUNE_TEST_DISPLAY:-}" ]; then
  export DISPLAY="$MELODUNE_TEST_DISPLAY"
  export QT_QPA_PLATFORM=xcb
fi
exec "$@"
