#!/usr/bin/env bash
# Vocal removal and key shift of a long track through the main window's own
# jobs, beside the usual command-line tools on the same file: a generated
# 44.1 kHz stereo WAV of MELODUNE_BENCH_SECONDS (default 7200: two hours).
# For each: the wall-clock time and the peak resident memory; for ours also
# the window thread's largest gap between ticks of a 50 ms timer, and how
# long cancelling the vocal removal takes two seconds into its effect stage
# (what closing the window waits for).
#   - vocal removal (copy, pass, compensation 3) vs `sox in.wav out.wav oops`
#   - key shift +3 vs `rubberband -p 3 in.wav out.wav`
# Needs about 6 times the track's size free in /tmp (1.3 GB per two hours).
# Builds the tools into build/ (or $MELODUNE_BUILD_DIR); installs Debian's
# sox and rubberband-cli when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MELODUNE_BUILD_DIR:-$root/build}
seconds=${MELODUNE_BENCH_SECONDS:-7200}

"$root/scripts/setup.sh"
. "$root/scripts/bench_tools.sh"
bench_tools rubberband:rubberband-cli sox:sox /usr/bin/time:time
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "${BENCH_JOBS:-4}" --target sound_bench_effects melodune_benchsound >/dev/null
jobs="$build/tests/sound/sound_bench_effects"

work=$(mktemp -d /tmp/melodune-bencheffects.XXXXXX)
trap 'rm -rf "$work"' EXIT
echo "Generating a track of $seconds s..." >&2
"$build/tests/support/melodune_benchsound" gen "$work" "$seconds"
wav="$work/track.wav"
export QT_QPA_PLATFORM=offscreen

# Wall-clock time and peak resident memory of a command.
measure() { # LABEL COMMAND...
  local out
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "${@:2}" >/dev/null 2>&1
  out=$(tail -1 "$work/time.txt")
  printf '%-28s %8.1f s  peak %6d MB\n' "$1" "${out% *}" $((${out#* } / 1024))
  rm -f "$work/out.wav"
}

echo "Measuring..." >&2
"$jobs" devocal "$wav" "$work/out.wav" 2>/dev/null || echo "vocal removal: failed (exit $?)"
rm -f "$work/out.wav"
measure "sox oops" sox "$wav" "$work/out.wav" oops
"$jobs" shift "$wav" "$work/out.wav" 2>/dev/null || echo "key shift: failed (exit $?)"
rm -f "$work/out.wav"
measure "rubberband -p 3" rubberband -p 3 "$wav" "$work/out.wav"
"$jobs" devocal "$wav" "$work/out.wav" 2000 2>/dev/null || echo "vocal removal, closed at 2 s: failed (exit $?)"
