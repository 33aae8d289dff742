#!/usr/bin/env bash
# Measures Melodune on this machine and prints one table:
#   - start to visible window (median, min, max of 5) with an empty playlist
#     and with a full one (32,767 entries), and Debian's Qmmp (a Qt 6 player)
#     with its empty playlist started the same way, 5 times interleaved with
#     them, with the ratios;
#   - CPU as a percentage of one core over 10 s, 3 runs each: playing in
#     lyric view 0 and view 2, paused, and `mpv --no-video` playing the same
#     song in the same run, each from 2 s after its playback stream appeared
#     (so neither is measured over the start of its playback), with the
#     ratios to mpv;
#   - the peak resident memory of each.
# Builds the program if needed (into build/, as run.sh does, or
# $MELODUNE_BUILD_DIR) and runs it on a private Xvfb display and PulseAudio
# server with a data folder of its own below a temporary folder, so neither
# the build's own data folder nor the user's files are touched. The song (30 s
# tone), its LRC (60 lines) and the lists are generated. Installs Debian's
# mpv and qmmp (for the comparisons) and xdotool (to find windows and to
# pause) when missing. "Start to window" is the time from exec until
# xdotool finds a visible window of the process (polled every 10 ms), the
# same for both programs; Melodune's own report of its first painted frame
# is given beside it.
# To measure on a high-density screen, set QT_SCALE_FACTOR (it reaches both
# programs) and a display to match, e.g.
#   QT_SCALE_FACTOR=2 MELODUNE_XVFB_SCREEN=2560x2048x24 scripts/bench.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MELODUNE_BUILD_DIR:-$root/build}

# --- tools, build ------------------------------------------------------------
"$root/scripts/setup.sh"
. "$root/scripts/bench_tools.sh"
bench_tools mpv:mpv qmmp:qmmp xdotool:xdotool
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$(nproc)" --target melodune melodune_data melodune_benchmedia >/dev/null
program="$build/bin/melodune"

# --- private servers, media, data folders --------------------------------------
. "$root/tests/support/private_servers.sh"
work=$(mktemp -d /tmp/melodune-bench.XXXXXX)
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then kill -9 "$app_pid" 2>/dev/null || true; fi
  stop_private_servers
  rm -rf "$work"
}
trap cleanup EXIT
start_private_servers "$work" >/dev/null
export DISPLAY="$MELODUNE_TEST_DISPLAY" QT_QPA_PLATFORM=xcb
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/runtime"
export MELODUNE_LOCK_FILE="$work/runtime/melodune.lock"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

media="$work/media"
"$build/tests/support/melodune_benchmedia" "$media"
song="$media/song.mp3"

# Every run starts on a fresh copy of the shipped data folders (as the build
# puts them beside the program), always at one path: as for a user, the
# registration the start writes is then already in place after the first run.
seed="$work/seed"
mkdir -p "$seed"
cp -a "$root/data/." "$seed/"

# SetLog.ini: one line of 23 quoted items; an empty item keeps its default.
# Item 2 is the loaded entry, 19 AutoPlay, 22 LrcViewMode.
settings_line() { # AUTOPLAY VIEW
  local items=() i
  for i in $(seq 1 23); do items+=('""'); done
  items[1]='"0 "'
  items[18]="\"$1 \""
  items[21]="\"$2 \""
  local IFS=,
  printf '%s\r\n' "${items[*]}"
}

# The folder is made anew for each run: the last run saved its list there.
data_dir="$work/data"
new_data() { # LIST-FILE|- AUTOPLAY VIEW -> a fresh data_dir
  rm -rf "$data_dir"
  cp -a "$seed" "$data_dir"
  if [ "$1" != "-" ]; then cp "$1" "$data_dir/List.mdu"; fi
  settings_line "$2" "$3" > "$data_dir/SetLog.ini"
}

# --- measuring ------------------------------------------------------------------
now_ms() { date +%s%3N; }
ticks() { # user + system CPU ticks of a process, all its threads
  sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}
peak_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)

# CPU % of one core over 10 s.
cpu_percent() { # PID
  local t0 c0 t1 c1
  t0=$(date +%s%N); c0=$(ticks "$1")
  sleep 10
  t1=$(date +%s%N); c1=$(ticks "$1")
  awk -v c="$((c1 - c0))" -v hz="$hz" -v ns="$((t1 - t0))" 'BEGIN { printf "%.1f", 100 * c / hz / (ns / 1e9) }'
}

# Polls until PID has a visible window (xdotool), for at most 30 s; prints
# the milliseconds since T0, or nothing when it never showed one.
window_after() { # PID T0
  local _
  for _ in $(seq 1 1500); do
    if [ -n "$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -1)" ]; then
      echo $(( $(now_ms) - $2 ))
      return
    fi
    kill -0 "$1" 2>/dev/null || return
    sleep 0.01
  done
}

# Starts the program on a data folder; waits until its window is shown.
# Sets app_pid, window_ms (start to a visible window) and shown_ms (start
# to its first painted frame, as the program reports it).
start_app() { # DATA-DIR
  local out="$1.out" t0 line
  t0=$(now_ms)
  MELODUNE_DATA_DIR="$1" MELODUNE_REPORT_SHOWN=1 "$program" >"$out" 2>"$1.err" &
  app_pid=$!
  window_ms=$(window_after "$app_pid" "$t0")
  for _ in $(seq 1 500); do
    line=$(grep -m1 '^shown ' "$out" 2>/dev/null || true)
    [ -n "$line" ] && break
    if ! kill -0 "$app_pid" 2>/dev/null; then break; fi
    sleep 0.02
  done
  if [ -z "$line" ] || [ -z "$window_ms" ]; then
    echo "The program did not show its window; its messages:" >&2
    cat "$1.err" >&2
    exit 1
  fi
  shown_ms=$(( ${line#shown } - t0 ))
}

# Qmmp with a home of its own (an empty playlist, its first-run settings
# made by an untimed start); sets app_pid and window_ms.
peer_home="$work/qmmp-home"
start_peer() {
  local t0
  t0=$(now_ms)
  HOME="$peer_home" XDG_CONFIG_HOME="$peer_home/.config" XDG_DATA_HOME="$peer_home/.local/share" \
    XDG_CACHE_HOME="$peer_home/.cache" qmmp >"$work/qmmp.out" 2>&1 &
  app_pid=$!
  window_ms=$(window_after "$app_pid" "$t0")
  if [ -z "$window_ms" ]; then
    echo "Qmmp did not show its window; its messages:" >&2
    cat "$work/qmmp.out" >&2
    exit 1
  fi
}

stop_app() {
  kill -TERM "$app_pid" 2>/dev/null || true
  for _ in $(seq 1 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}

# Whether the process's playback stream is corked (paused): "yes", "no" or "".
stream_corked() { # PID
  pactl list sink-inputs 2>/dev/null | awk -v pid="$1" '
    /^Sink Input/ { corked = "" }
    /Corked:/ { corked = $2 }
    /application.process.id = / { gsub(/"/, "", $3); if ($3 == pid) { print corked; exit } }'
}

# Waits (at most 15 s) until PID has a playback stream: both players are
# measured from the same time after their playback began.
wait_stream() { # PID
  local _
  for _ in $(seq 1 150); do
    [ -n "$(stream_corked "$1")" ] && return
    sleep 0.1
  done
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
minimum() { printf '%s\n' "$@" | sort -g | head -1; }
maximum() { printf '%s\n' "$@" | sort -g | tail -1; }
mb() { awk -v kb="$1" 'BEGIN { printf "%.1f MB", kb / 1024 }'; }

rows=()
row() { rows+=("$(printf '%-34s %-34s %s' "$1" "$2" "$3")"); }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }

# Five rounds of: Melodune with an empty list, Qmmp, Melodune with a full
# list; each peak RSS is read 1 s after the window shows.
measure_starts() {
  local empty=() emptyShown=() emptyPeaks=() full=() fullShown=() fullPeaks=() peer=() peerPeaks=() i
  mkdir -p "$peer_home"
  start_peer; sleep 2; stop_app # Qmmp's first run writes its settings
  for i in 1 2 3 4 5; do
    new_data - 0 2
    start_app "$data_dir"; empty+=("$window_ms"); emptyShown+=("$shown_ms")
    sleep 1; emptyPeaks+=("$(peak_kb "$app_pid")"); stop_app
    start_peer; peer+=("$window_ms")
    sleep 1; peerPeaks+=("$(peak_kb "$app_pid")"); stop_app
    new_data "$media/List-full.mdu" 0 2
    start_app "$data_dir"; full+=("$window_ms"); fullShown+=("$shown_ms")
    sleep 1; fullPeaks+=("$(peak_kb "$app_pid")"); stop_app
  done
  local me mf mp
  me=$(median "${empty[@]}"); mf=$(median "${full[@]}"); mp=$(median "${peer[@]}")
  row "start to window, empty list" \
      "$me ms (min $(minimum "${empty[@]}"), max $(maximum "${empty[@]}"); painted $(median "${emptyShown[@]}") ms)" \
      "$(mb "$(maximum "${emptyPeaks[@]}")")"
  row "start to window, 32,767 entries" \
      "$mf ms (min $(minimum "${full[@]}"), max $(maximum "${full[@]}"); painted $(median "${fullShown[@]}") ms)" \
      "$(mb "$(maximum "${fullPeaks[@]}")")"
  row "qmmp start to window, empty list" "$mp ms (min $(minimum "${peer[@]}"), max $(maximum "${peer[@]}"))" \
      "$(mb "$(maximum "${peerPeaks[@]}")")"
  row "  ratio empty / qmmp" "$(ratio "$me" "$mp")" \
      "$(ratio "$(maximum "${emptyPeaks[@]}")" "$(maximum "${peerPeaks[@]}")")"
  row "  ratio 32,767 entries / qmmp" "$(ratio "$mf" "$mp")" ""
}

# One run of Melodune on the one-song list in VIEW, playing or paused; sets
# run_cpu, run_peak and, when the stream was not in the state asked for,
# run_note.
run_app() { # VIEW pause|play
  local wid
  run_note=""
  new_data "$media/List-one.mdu" 1 "$1"
  start_app "$data_dir"
  wait_stream "$app_pid"
  sleep 2
  if [ "$2" = pause ]; then
    wid=$(xdotool search --onlyvisible --pid "$app_pid" --name 'Melodune' | head -1)
    timeout 5 xdotool windowfocus --sync "$wid" key space || true
    sleep 1
    [ "$(stream_corked "$app_pid")" = yes ] || run_note=" (not seen paused)"
  else
    [ "$(stream_corked "$app_pid")" = no ] || run_note=" (not seen playing)"
  fi
  run_cpu=$(cpu_percent "$app_pid")
  run_peak=$(peak_kb "$app_pid")
  stop_app
}

run_mpv() {
  mpv --no-video --no-config --no-terminal --ao=pulse "$song" >/dev/null 2>&1 &
  app_pid=$!
  wait_stream "$app_pid"
  sleep 2
  run_cpu=$(cpu_percent "$app_pid")
  run_peak=$(peak_kb "$app_pid")
  stop_app
}

# Three rounds of the four, interleaved, so a change of load on a shared
# machine falls on all of them alike.
measure_cpu() {
  local v2=() v0=() pa=() mp=() v2p=() v0p=() pap=() mpp=() v2n="" v0n="" pan="" i
  for i in 1 2 3; do
    run_app 2 play; v2+=("$run_cpu"); v2p+=("$run_peak"); v2n+=$run_note
    run_app 0 play; v0+=("$run_cpu"); v0p+=("$run_peak"); v0n+=$run_note
    run_app 2 pause; pa+=("$run_cpu"); pap+=("$run_peak"); pan+=$run_note
    run_mpv; mp+=("$run_cpu"); mpp+=("$run_peak")
  done
  local m2 m0 mm
  m2=$(median "${v2[@]}"); m0=$(median "${v0[@]}"); mm=$(median "${mp[@]}")
  row "CPU playing, view 2 (strip)" "$m2 % (runs ${v2[*]})$v2n" "$(mb "$(maximum "${v2p[@]}")")"
  row "CPU playing, view 0 (text)" "$m0 % (runs ${v0[*]})$v0n" "$(mb "$(maximum "${v0p[@]}")")"
  row "CPU paused (view 2)" "$(median "${pa[@]}") % (runs ${pa[*]})$pan" "$(mb "$(maximum "${pap[@]}")")"
  row "mpv --no-video, playing" "$mm % (runs ${mp[*]})" "$(mb "$(maximum "${mpp[@]}")")"
  row "  ratio view 2 / mpv" "$(ratio "$m2" "$mm")" ""
  row "  ratio view 0 / mpv" "$(ratio "$m0" "$mm")" ""
}

echo "Measuring (about five minutes)..." >&2
measure_starts
measure_cpu

if [ -n "${QT_SCALE_FACTOR:-}" ]; then echo "QT_SCALE_FACTOR=$QT_SCALE_FACTOR"; fi
printf '%-34s %-34s %s\n' "figure" "value (CPU: % of one core, 10 s)" "peak RSS"
printf '%s\n' "${rows[@]}"
