#!/usr/bin/env bash
# Times the sound layers against the usual command-line tools on the same
# machine and input: a generated 4-minute 44.1 kHz stereo track. Each figure
# is the median wall-clock time of 5 runs, ours and theirs taken in turn:
#   - key shift +3 semitones vs `rubberband -p 3 in.wav out.wav`
#   - MP3 decode vs `mpg123 -w out.wav in.mp3`
#   - MP3 encode vs `lame -b 128 in.wav out.mp3`
#   - vocal removal (working copy, pass, write) vs `sox in.wav out.wav oops`
# Builds melodune_benchsound if needed (into build/ or $MELODUNE_BUILD_DIR).
# Installs Debian's rubberband-cli, mpg123, lame and sox when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MELODUNE_BUILD_DIR:-$root/build}

# --- tools, build ------------------------------------------------------------
"$root/scripts/setup.sh"
. "$root/scripts/bench_tools.sh"
bench_tools rubberband:rubberband-cli mpg123:mpg123 lame:lame sox:sox
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "${BENCH_JOBS:-4}" --target melodune_benchsound >/dev/null
tool="$build/tests/support/melodune_benchsound"

work=$(mktemp -d /tmp/melodune-benchsound.XXXXXX)
trap 'rm -rf "$work"' EXIT
echo "Generating the 4-minute track..." >&2
"$tool" gen "$work"
wav="$work/track.wav"
mp3="$work/track.mp3"

now_ms() { date +%s%3N; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Wall-clock ms of a command, its output thrown away.
time_cmd() {
  local t0 t1
  t0=$(now_ms)
  "$@" >/dev/null 2>&1
  t1=$(now_ms)
  echo $((t1 - t0))
}
# Median ms of 5 runs each of our tool and of theirs, taken in turn so a
# change in the machine's load meets both alike. Sets ours_ms, theirs_ms.
compare() { # "OUR ARGS" THEIR-COMMAND...
  local ours_runs=() theirs_runs=() our_args i
  read -r -a our_args <<<"$1"
  shift
  for i in 1 2 3 4 5; do
    ours_runs+=("$(time_cmd "$tool" "${our_args[@]}")")
    theirs_runs+=("$(time_cmd "$@")")
  done
  ours_ms=$(median "${ours_runs[@]}")
  theirs_ms=$(median "${theirs_runs[@]}")
}

rows=()
row() { # LABEL OURS-MS THEIRS-MS THEIR-NAME
  local ratio rt
  ratio=$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", a / b }')
  rt=$(awk -v a="$2" 'BEGIN { printf "%.0f", 240000 / a }')
  rows+=("$(printf '%-22s %8s ms %8s ms  %5s×  %5s× real time  (vs %s)' "$1" "$2" "$3" "$ratio" "$rt" "$4")")
}

echo "Measuring..." >&2
compare "shift $wav $work/o1.wav 3" rubberband -p 3 "$wav" "$work/t1.wav"
row "key shift +3" "$ours_ms" "$theirs_ms" "rubberband -p 3"
compare "decode $mp3 $work/o2.wav" mpg123 -q -w "$work/t2.wav" "$mp3"
row "MP3 decode" "$ours_ms" "$theirs_ms" "mpg123 -w"
compare "encode $wav $work/o3.mp3" lame --silent -b 128 "$wav" "$work/t3.mp3"
row "MP3 encode 128k" "$ours_ms" "$theirs_ms" "lame -b 128"
compare "devocal $wav $work/o4.wav" sox "$wav" "$work/t4.wav" oops
row "vocal removal" "$ours_ms" "$theirs_ms" "sox oops"

printf '%-22s %11s %11s  %6s  %s\n' "job" "ours" "tool" "ratio" "speed"
printf '%s\n' "${rows[@]}"
