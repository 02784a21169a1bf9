#!/usr/bin/env bash
# What Kestrane adds to the real host's frame: the host, built from its own sources
# (scripts/real-host.sh build), run headless under Wine at a fixed step, with ShuttlePBs in orbit,
# without Kestrane, with Kestrane and no tether, and with Kestrane and eight tethers, in turn.
#
#   scripts/real-host-frame.sh [--vessels 2,100,1000] [--frames N] [--warmup N] [--rounds R]
#                              [--module LABEL=DLL]... [--out DIR] [--x64]
#                              [--graphics [--camera VESSEL,…] [--window WxH] [--one-thread]]
#
# For each number of vessels (default 2, 100 and 1000) the script writes a scenario of that many
# ShuttlePBs 400 km up, 50 m apart along one orbit (DIR/scenarios), then runs the host R times
# (default 5) on each of: no Kestrane; Kestrane with no tether; Kestrane with eight tethers tied by
# its block, each between two vessels spread over the vessel list, so that a vessel's place in the
# host's list is on average half way (with two vessels, all eight tie the same two). Every run is
# one of each in turn, so that a change of the machine's load falls on all of them alike.
#
# The recorder times the frames and samples nothing (its Frames file: blocks of 50 frames, each from
# the start of a frame to the start of the next block, by the processor time of the host's thread
# and by the wall clock); Wine's and the host's start-up are not in it. A run's frame time is the
# median, over its blocks after the first --warmup frames (default 100) of --frames (default 1000),
# of the processor time per frame: time in which the machine ran something else does not count.
# Kestrane's added time is the difference between a run with it and the run without it of the same
# round; its share is that over the frame without it. The table gives the median of the rounds and
# their range, and the median wall-clock frame. Kestrane is loaded ahead of the recorder, so that
# its call at a frame's start lies in the recorder's time between frames: the difference of that
# time ("call") is Kestrane's call alone, without the host's work for its forces and thrusters in
# the frame's update, and without the noise of the host's work for every vessel.
#
# --module LABEL=DLL adds another build of Kestrane.dll, run the same way in the same rounds under
# LABEL (with no tether and with eight): a build before a change against the build after it.
#
# --x64 measures the 64-bit host (scripts/real-host.sh build --x64, build/real-host-x64) under 64-bit
# Wine, into out/real-host-frame-x64 unless --out says otherwise.
#
# --graphics measures what the scene costs to draw: the host's own Direct3D 7 client draws every
# frame, on Mesa's OpenGL under Wine on a virtual X display, as scripts/real-host.sh run --graphics
# draws it, from an outside camera (--camera, as real-host.sh takes it; default PB0000,16,-90,0,60:
# from the first vessel's left, the side towards the Earth, so that the view looks away from it and
# holds the next vessel 50 m on and the tethers to it) in a window of --window (default 800x500).
# Its default is 2 vessels, 300 frames, 50 of warm-up and 7 rounds. The table then gives the frames
# drawn per second by the wall clock, and the processor time per frame of the host's whole process:
# the client draws in threads of its own (Wine's Direct3D and Mesa's rasteriser). Those threads wait
# for each other by spinning, so on a busy machine their processor time grows with the load too.
# --one-thread draws in the host's thread alone (WINE_D3D_CONFIG=csmt=0x0: Wine's Direct3D without
# its command thread; LP_NUM_THREADS=0: Mesa's rasteriser without threads): the processor time is
# then the work of drawing, which the load does not lengthen.
#
# The host, its build tree and Wine are set in one place (the variables below and host_run), so
# that the same measurement can be made of another build of the host.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

usage() {
  echo "real-host-frame: $*" >&2
  exit 2
}
fail() {
  echo "real-host-frame: $*" >&2
  exit 1
}

vessel_counts="" frames="" warmup="" rounds="" out=""
dt=0.02
x64=0 graphics=0 camera=PB0000,16,-90,0,60 window=800x500 one_thread=0
declare -a labels=() dlls=()
help() {
  # The comment at the head of this file, without its first line and its "#".
  sed -n '2,/^set -euo/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//'
  exit 0
}

while [ $# -gt 0 ]; do
  case $1 in
    -h | --help) help ;;
    --x64) x64=1; shift; continue ;;
    --graphics) graphics=1; shift; continue ;;
    --one-thread) one_thread=1 graphics=1; shift; continue ;;
  esac
  [ $# -ge 2 ] || usage "$1 needs a value"
  case $1 in
    --vessels) [[ $2 =~ ^[0-9]+(,[0-9]+)*$ ]] || usage "--vessels '$2' is not a list of numbers"; vessel_counts=$2 ;;
    --frames) [[ $2 =~ ^[1-9][0-9]*$ ]] || usage "--frames '$2' is not a number"; frames=$2 ;;
    --warmup) [[ $2 =~ ^[0-9]+$ ]] || usage "--warmup '$2' is not a number"; warmup=$2 ;;
    --rounds) [[ $2 =~ ^[1-9][0-9]*$ ]] || usage "--rounds '$2' is not a number"; rounds=$2 ;;
    --camera)
      [[ $2 =~ ^[A-Za-z0-9_.-]+(,-?[0-9]*\.?[0-9]+){0,4}$ ]] && [ "$(awk -F, '{ print NF }' <<<"$2")" -ne 3 ] ||
        usage "--camera '$2' is not VESSEL[,DISTANCE[,AZIMUTH,ELEVATION[,FOV]]]"
      camera=$2 graphics=1 ;;
    --window)
      [[ $2 =~ ^([0-9]+)x([0-9]+)$ ]] && [ "${BASH_REMATCH[1]}" -ge 160 ] && [ "${BASH_REMATCH[2]}" -ge 120 ] &&
        [ "${BASH_REMATCH[1]}" -le 1600 ] && [ "${BASH_REMATCH[2]}" -le 1000 ] ||
        usage "--window '$2' is not WIDTHxHEIGHT within 160x120 and 1600x1000"
      window=$2 graphics=1 ;;
    --module)
      [[ $2 =~ ^[A-Za-z0-9_-]+=.+$ ]] || usage "--module '$2' is not LABEL=DLL"
      [ -f "${2#*=}" ] || usage "no module '${2#*=}'"
      labels+=("${2%%=*}")
      dlls+=("$(realpath "${2#*=}")")
      ;;
    --out) out=$2 ;;
    *) usage "unknown option '$1'" ;;
  esac
  shift 2
done
if [ "$graphics" -eq 1 ]; then
  : "${vessel_counts:=2}" "${frames:=300}" "${warmup:=50}" "${rounds:=7}"
else
  : "${vessel_counts:=2,100,1000}" "${frames:=1000}" "${warmup:=100}" "${rounds:=5}"
fi
[ "$warmup" -lt "$frames" ] || usage "--warmup $warmup leaves no frame of $frames"
IFS=, read -r -a counts <<<"$vessel_counts"
for n in "${counts[@]}"; do
  [ "$n" -ge 2 ] || usage "a tether needs 2 vessels, not $n"
done

# The host: 32-bit or 64-bit, headless or drawing, each under its own Wine.
default_out=$root/out/real-host-frame
if [ "$x64" -eq 1 ]; then
  build=${KESTRANE_REAL_HOST_BUILD:-$root/build/real-host-x64}
  default_out=$default_out-x64
  wine_arch=win64 wine=(env WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64) wine_option=(--64)
else
  build=${KESTRANE_REAL_HOST_BUILD:-$root/build/real-host}
  wine_arch=win32 wine=(wine) wine_option=()
fi
[ "$graphics" -eq 0 ] || default_out=$default_out-graphics
[ "$one_thread" -eq 0 ] || default_out=$default_out-one-thread
out=${out:-$default_out}
[ "$graphics" -eq 0 ] || command -v xvfb-run >/dev/null || usage "--graphics needs Xvfb (scripts/install-deps.sh --windows installs xvfb)"
build_options=()
[ "$x64" -eq 0 ] || build_options=(--x64)
bash scripts/real-host.sh build "${build_options[@]}" >/dev/null
[ -f "$build/host/Modules/Plugin/Recorder.dll" ] && [ -f "$build/host/Modules/Plugin/Kestrane.dll" ] ||
  fail "$build/host has no recorder or Kestrane"
labels=(Kestrane "${labels[@]}")
dlls=("$build/host/Modules/Plugin/Kestrane.dll" "${dlls[@]}")
mkdir -p "$out/scenarios"
out=$(cd "$out" && pwd)

# SCENARIO N TETHERS: N ShuttlePBs 50 m apart along a circular orbit 400 km up, the first in focus;
# with TETHERS 8, Kestrane's block ties eight tethers at 99 % of their vessels' distance (1 % of
# stretch, 100 N of pull), none reeling.
scenario() {
  awk -v n="$2" -v tethers="$3" -v name="$(basename "$1" .scn)" 'BEGIN {
    r = 6771000; v = 7672.598631; spacing = 50
    printf "; %d ShuttlePBs in orbit, %d tethers: the host'"'"'s frame with and without Kestrane.\n", n, tethers
    printf "BEGIN_DESC\n%s\nEND_DESC\n\n", name
    printf "BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 60000.5\n  STEP 0.02\nEND_ENVIRONMENT\n\n"
    printf "BEGIN_FOCUS\n  Ship PB0000\nEND_FOCUS\n\nBEGIN_SHIPS\n"
    for (i = 0; i < n; i++) {
      a = i * spacing / r
      x[i] = r * cos(a); z[i] = r * sin(a)
      printf "PB%04d:ShuttlePB\n  STATUS Orbiting Earth\n  RPOS %.3f 0 %.3f\n  RVEL %.6f 0 %.6f\n  PRPLEVEL 0:1\nEND\n",
        i, x[i], z[i], -v * sin(a), v * cos(a)
    }
    printf "END_SHIPS\n"
    if (tethers == 0) exit
    printf "\nBEGIN_Kestrane\n  SetupTetherLength 1000\n  SetupTetherForce 100\n  SetupTargetIndex 1\n  CurrentTether 0\n"
    printf "  attach_type_v1 0\n  attach_no_v1 0\n  attach_type_v2 0\n  attach_no_v2 0\n"
    for (k = 0; k < 8; k++) {
      if (n < 16) { p = 0; q = 1 } else { p = int((2 * k + 1) * n / 16) - 1; q = int((2 * k + 2) * n / 16) - 1 }
      d = sqrt((x[q] - x[p]) ^ 2 + (z[q] - z[p]) ^ 2)
      printf "  TetherData %d CONNECT 1\n  TetherData %d Ship1 PB%04d\n  TetherData %d Ship2 PB%04d\n", k, k, p, k, q
      printf "  TetherData %d Length %.6f\n  TetherData %d Force 100\n", k, 0.99 * d, k
      printf "  TetherData %d Attach1 0 0 0\n  TetherData %d Attach2 0 0 0\n", k, k
      printf "  TetherData %d SpoolMode 0\n  TetherData %d ReelSpeed 0\n", k, k
    }
    printf "END\n"
  }' >"$1"
}

# A host folder of the run's own: the build's programs and configuration linked in, Kestrane.dll
# (when the run has it) the one given.
#   host_folder DIR DLL|""
host_folder() {
  local dir=$1 dll=$2 entry
  rm -rf "$dir"
  mkdir -p "$dir/host/Scenarios/Run" "$dir/host/Modules/Plugin"
  for entry in "$build"/host/*; do
    case $(basename "$entry") in
      Scenarios | Modules | Orbiter.log | Orbiter.cfg | keymap.cfg) ;;
      *) ln -s "$entry" "$dir/host/" ;;
    esac
  done
  for entry in "$build"/host/Modules/*; do
    [ "$(basename "$entry")" = Plugin ] || ln -s "$entry" "$dir/host/Modules/"
  done
  for entry in "$build"/host/Modules/Plugin/*; do
    [ "$(basename "$entry")" = Kestrane.dll ] || ln -s "$entry" "$dir/host/Modules/Plugin/"
  done
  [ -z "$dll" ] || ln -s "$dll" "$dir/host/Modules/Plugin/Kestrane.dll"
}

# The host, run in the build's Wine prefix for half an hour at most: headless, or drawing on a virtual
# X display of its own, in the prefix and one at a time with the runs of scripts/real-host.sh that
# draw (a Wine session's windows stay on the display of the program that started it).
host_wine() {
  if [ "$graphics" -eq 0 ]; then
    timeout 1800 "$root/cmake/wine-run.sh" "${wine_option[@]}" "$build/wineprefix" "$@"
    return
  fi
  local prefix="$build/wineprefix-displays"
  (
    flock 8
    [ -f "$prefix/system.reg" ] || "$root/cmake/wine-run.sh" "${wine_option[@]}" "$prefix" cmd /c exit >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w
    status=0
    local -a drawing=()
    [ "$one_thread" -eq 0 ] || drawing=(WINE_D3D_CONFIG=csmt=0x0 LP_NUM_THREADS=0)
    timeout 1800 xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" env WINEPREFIX="$prefix" WINEARCH=$wine_arch \
      WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe,winedbg.exe=" "${drawing[@]}" "${wine[@]}" "$@" ||
      status=$?
    WINEPREFIX="$prefix" wineserver -w
    exit "$status"
  ) 8>"$prefix.session"
}

# One run of the host: the median over its blocks of frames after the warm-up of the host thread's
# processor time, the wall-clock time, the thread's processor time between frames and the process's
# processor time per frame, in microseconds, on standard output.
#   host_run DIR SCENARIO DLL|""
host_run() {
  local dir=$1 file=$2 dll=$3 name
  name=$(basename "$file" .scn)
  host_folder "$dir" "$dll"
  {
    cat "$file"
    if [ "$graphics" -eq 1 ]; then
      local vessel distance azimuth elevation fov
      IFS=, read -r vessel distance azimuth elevation fov <<<"$camera"
      printf '\nBEGIN_CAMERA\n  TARGET %s\n  MODE Extern\n  POS %s %s %s\n  TRACKMODE TargetRelative\n  FOV %s\nEND_CAMERA\n' \
        "$vessel" "${distance:-4}" "${azimuth:-0}" "${elevation:-0}" "${fov:-40}"
    fi
    printf '\nBEGIN_Recorder\n  Frames frames.txt\nEND\n'
  } >"$dir/host/Scenarios/Run/$name.scn"
  # Kestrane ahead of the recorder: its call at a frame's start falls in the recorder's time between
  # frames. The graphics client first: the host takes the first module that registers as one.
  local -a modules=()
  if [ "$graphics" -eq 1 ]; then
    modules+=(--plugin=D3D7Client)
    printf 'WindowWidth = %s\nWindowHeight = %s\n' "${window%x*}" "${window#*x}" >"$dir/host/Orbiter.cfg"
  fi
  [ -z "$dll" ] || modules+=(--plugin=Kestrane)
  modules+=(--plugin=Recorder)
  local status=0
  (cd "$dir/host" && host_wine Orbiter.exe "--scenariox=Run\\$name" "--fixedstep=$dt" \
    "--maxframes=$frames" "${modules[@]}") >"$dir/host.txt" 2>&1 || status=$?
  # Wine ends a process that draws through OpenGL at times by killing it once the host has shut down.
  [ "$status" -ne 137 ] || [ "$graphics" -eq 0 ] || ! tail -n 1 "$dir/host/Orbiter.log" | grep -aq 'Fast process shutdown' ||
    status=0
  [ "$status" -eq 0 ] || fail "the host exited with status $status ($dir/host/Orbiter.log)"
  if [ "$graphics" -eq 1 ] && grep -aq 'D3D7Client: error' "$dir/host/Orbiter.log"; then
    fail "$(grep -a 'D3D7Client: error' "$dir/host/Orbiter.log" | head -n 1 | tr -d '\r') ($dir/host/Orbiter.log)"
  fi
  if [ -n "$dll" ]; then
    grep -aq 'Loading module Kestrane' "$dir/host/Orbiter.log" || fail "the host did not load Kestrane ($dir/host/Orbiter.log)"
  fi
  if grep -aq 'Recorder: error' "$dir/host/Orbiter.log"; then
    fail "$(grep -a 'Recorder: error' "$dir/host/Orbiter.log" | head -n 1 | tr -d '\r') ($dir/host/Orbiter.log)"
  fi
  # Blocks of frames: first frame, frames, and microseconds per frame: wall-clock, processor, and
  # processor between frames.
  awk -v warmup="$warmup" -v file="$dir/host/frames.txt" '
    function median(a, n,   i, j, t) {
      for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
      return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    $1 >= warmup { n++; wall[n] = $3; cpu[n] = $4; gap[n] = $5; process[n] = $6 }
    END {
      if (n == 0) { print "real-host-frame: " file " has no block of frames after the warm-up" > "/dev/stderr"; exit 1 }
      if (cpu[1] == "-" || process[1] == "") { print "real-host-frame: " file " has no processor times" > "/dev/stderr"; exit 1 }
      printf "%.3f %.3f %.3f %.3f\n", median(cpu, n), median(wall, n), median(gap, n), median(process, n)
    }' "$dir/host/frames.txt"
}

# The kinds of run of one round: "label tethers dll".
kinds=("none 0 -")
for i in "${!labels[@]}"; do
  kinds+=("${labels[$i]} 0 ${dlls[$i]}" "${labels[$i]} 8 ${dlls[$i]}")
done

results=$out/results.txt
: >"$results"
for n in "${counts[@]}"; do
  scenario "$out/scenarios/ships$n.scn" "$n" 0
  scenario "$out/scenarios/ships$n-tethers.scn" "$n" 8
  for round in $(seq "$rounds"); do
    for kind in "${kinds[@]}"; do
      read -r label tethers dll <<<"$kind"
      [ "$dll" != - ] || dll=""
      file=$out/scenarios/ships$n.scn
      [ "$tethers" -eq 0 ] || file=$out/scenarios/ships$n-tethers.scn
      read -r processor wall between process < <(host_run "$out/run" "$file" "$dll")
      [ -n "$process" ] || exit 1
      echo "$n $round $label $tethers $processor $wall $between $process" >>"$results"
      echo "real-host-frame: $n vessels, round $round, $label with $tethers tethers: $processor µs" \
        "($wall µs by the clock, $process µs of the process)" >&2
    done
  done
done

# The median of a list of numbers separated by blanks, or with k "min" or "max" its least or
# greatest: the tables' awk programs start with it.
median='
  function median(list, k,   n, a, i, j, t) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] + 0 > a[j] + 0; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    if (k == "min") return a[1]
    if (k == "max") return a[n]
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }'

# Drawn: per vessel count and kind, the medians over the rounds of the frames per second and of the
# process's processor time per frame, and of their change from the same round's run with one tether
# kind less (eight tethers against none, Kestrane with none against no Kestrane), with its range.
if [ "$graphics" -eq 1 ]; then
  awk "$median"'
    { kind = $3 " " $4; fps[$1 " " kind] = fps[$1 " " kind] " " 1e6 / $6; ms[$1 " " kind] = ms[$1 " " kind] " " $8 / 1000
      fpsAt[$1 " " $2 " " kind] = 1e6 / $6; msAt[$1 " " $2 " " kind] = $8 / 1000
      if (!($1 in seen)) { seen[$1] = 1; order[++counts] = $1 }
      if (!(kind in kindSeen)) { kindSeen[kind] = 1; kinds[++nkinds] = kind }
      rounds[$1] = $2 > rounds[$1] ? $2 : rounds[$1] }
    END {
      printf "%8s  %-20s %8s %16s  %-16s %20s %9s %22s %8s\n", "vessels", "run", "frames/s", "range", "against",
        "frames/s, change", "ms/frame", "added ms/frame", "share"
      for (c = 1; c <= counts; c++) {
        n = order[c]
        for (k = 1; k <= nkinds; k++) {
          split(kinds[k], kk, " ")
          f = fps[n " " kinds[k]]
          line = sprintf("%8d  %-20s %8.2f %7.2f to %6.2f", n, kk[1] == "none" ? "without Kestrane" : kk[1] ", " kk[2] " tethers",
            median(f), median(f, "min"), median(f, "max"))
          if (kk[1] == "none") { printf "%s  %-16s %20s %9.2f\n", line, "", "", median(ms[n " " kinds[k]]); continue }
          base = kk[2] == 8 ? kk[1] " 0" : "none 0"
          ratios = added = ""
          for (r = 1; r <= rounds[n]; r++) {
            ratios = ratios " " (fpsAt[n " " r " " kinds[k]] / fpsAt[n " " r " " base] - 1) * 100
            added = added " " (msAt[n " " r " " kinds[k]] - msAt[n " " r " " base])
          }
          d = median(added)
          printf "%s  %-16s %5.0f%% (%4.0f to %4.0f) %9.2f %6.2f (%5.2f to %5.2f) %7.1f%%\n", line,
            base == "none 0" ? "without Kestrane" : "no tether", median(ratios), median(ratios, "min"), median(ratios, "max"),
            median(ms[n " " kinds[k]]), d, median(added, "min"), median(added, "max"), 100 * d / median(ms[n " " base])
        }
      }
    }' "$results" | tee "$out/table.txt"
  echo "real-host-frame: drawn, $window, camera $camera$([ "$one_thread" -eq 0 ] || echo ", in one thread"); $rounds rounds of $frames frames (median of blocks after $warmup) at $dt s; every run in $results" >&2
  exit 0
fi

# The table: per vessel count and kind, the median over the rounds of the frame time, and of the
# difference from the same round's run without Kestrane, with its range.
awk -v frame60=16666.667 "$median"'
  { key = $1 " " $3 " " $4; frame[key] = frame[key] " " $5; wall[key] = wall[key] " " $6; at[$1 " " $2 " " $3 " " $4] = $5; gapAt[$1 " " $2 " " $3 " " $4] = $7
    if (!($1 in seen)) { seen[$1] = 1; order[++counts] = $1 }
    if (!(($3 " " $4) in kindSeen)) { kindSeen[$3 " " $4] = 1; kinds[++nkinds] = $3 " " $4 }
    rounds[$1] = $2 > rounds[$1] ? $2 : rounds[$1] }
  END {
    printf "%8s  %-20s %12s %12s %18s %9s %9s %10s %12s\n", "vessels", "run", "frame (us)", "added (us)", "added, range",
      "share", "of 60 Hz", "call (us)", "clock (us)"
    for (c = 1; c <= counts; c++) {
      n = order[c]
      base = median(frame[n " none 0"])
      for (k = 1; k <= nkinds; k++) {
        split(kinds[k], kk, " ")
        f = median(frame[n " " kinds[k]])
        if (kk[1] == "none") {
          printf "%8d  %-20s %12.1f %12s %18s %9s %9s %10s %12.1f\n", n, "without Kestrane", f, "", "", "", "", "",
            median(wall[n " " kinds[k]])
          continue
        }
        diffs = calls = ""
        for (r = 1; r <= rounds[n]; r++) {
          diffs = diffs " " (at[n " " r " " kinds[k]] - at[n " " r " none 0"])
          calls = calls " " (gapAt[n " " r " " kinds[k]] - gapAt[n " " r " none 0"])
        }
        d = median(diffs)
        printf "%8d  %-20s %12.1f %12.1f %8.1f to %6.1f %8.2f%% %8.2f%% %10.1f %12.1f\n", n, kk[1] ", " kk[2] " tethers", f, d,
          median(diffs, "min"), median(diffs, "max"), 100 * d / base, 100 * d / frame60, median(calls),
          median(wall[n " " kinds[k]])
      }
    }
  }' "$results" | tee "$out/table.txt"
echo "real-host-frame: processor time per frame; $rounds rounds of $frames frames (median of blocks after $warmup) at $dt s; every run in $results" >&2
