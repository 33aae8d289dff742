#!/usr/bin/env bash
# Runs a test on the suite's Xvfb display (window masks, video, screenshots).
if [ -n "${MELODUNE_TEST_DISPLAY:-}" ]; then
  export DISPLAY="$MELODUNE_TEST_DISPLAY"
  export QT_QPA_PLATFORM=xcb
fi
# A forgotten scripted answer must never leave a real modal box waiting.
export MELODUNE_NONINTERACTIVE=1
exec "$@"
