#!/usr/bin/env bash
# The real host, built from its own sources, with Kestrane in it, under Wine, 32-bit or (--x64)
# 64-bit: headless, or with its displays on a virtual X display.
#
#   scripts/real-host.sh build [--x64]
#       builds the host from KESTRANE_HOST_SOURCE (default ../shared/openorbiter) into
#       build/real-host (realhost/: the host, its Sun, Earth, Moon, ShuttlePB, DeltaGlider and
#       Shuttle-A modules, Kestrane.dll, the recorder module and the null graphics client, laid out as
#       a host installation in build/real-host/host)
#
#   scripts/real-host.sh run SCENARIO [--duration S] [--dt S] [--every S] [--out DIR]
#                        [--keys LIST] [--delete LIST] [--displays] [--picture T]...
#       runs SCENARIO in that host for S simulated seconds (default 10) at a fixed step (--dt, else
#       the scenario's STEP, else 0.02 s) with Kestrane and the recorder loaded, and leaves in DIR
#       (default out/real-host/NAME): vessels.csv and tethers.csv, sampled every --every seconds
#       (default 1) as kestrane-sim run --vessels/--tethers samples; end.scn, the scenario the host
#       saved at the end; Orbiter.log; and host.txt, the program's own output. A non-zero exit, or a
#       line of the log that says a module failed, fails the run with that line.
#       --displays gives the host its displays: the null graphics client (realhost/client) is loaded
#       and the host runs on a virtual X display of its own (Xvfb); DIR/screens.txt then holds the
#       text of every display at every redraw. --keys presses keys on the Kestrane display in
#       kestrane-sim's --keys syntax (opening the mode on the left display when the scenario has
#       not), --picture T keeps the left display as its first redraw at or after T s drew it in
#       DIR/display-T.png; both imply --displays. --delete deletes vessels in kestrane-sim's
#       --delete syntax (oapiDeleteVessel, at the end of the frame that reaches each time).
#       --graphics draws the scene: the host's own Direct3D 7 client (realhost/graphics) is loaded
#       instead of the null one, on Mesa's OpenGL through Wine, and does all that --displays does.
#       --shot T (repeatable) keeps the scene as drawn at T s (the first frame at or after T) in
#       DIR/shot-T.png, taken by the recorder, with DIR/shot-T.txt beside it: where the picture shows
#       the vessels, their exhaust streams and the tethers' attach points (realhost/recorder/
#       ShotGeometry.h). --camera VESSEL[,DISTANCE[,AZIMUTH,ELEVATION[,FOV]]] puts the camera outside,
#       looking at VESSEL from DISTANCE times its size (default 4) in the direction AZIMUTH and
#       ELEVATION (degrees as the host's POS line takes them, default 0 0: from behind; 90 0 from
#       the right; 0 10 from 10 degrees below; the host's outside camera, turning with the vessel),
#       with a field of view of FOV degrees (default 40); the host draws no displays then, which it
#       draws only in the cockpit. --window WxH sizes the window (default 800x500). Each implies
#       --graphics. The run ends by telling the frames drawn per second.
#
#   scripts/real-host.sh compare SCENARIO [--duration S] [--dt S] [--every S] [--out DIR] [--sim BUILD]
#                        [--windows T1,T2] [--motion-until T] [--check [--quarter]] [--displays]
#                        [--keys LIST] [--delete LIST] [--screens] [--graphics]
#       runs SCENARIO in the real host (DIR/real, as run does) and in kestrane-sim of BUILD (default
#       build/linux; DIR/sim) with the same step and samples, and prints, for the samples up to each
#       time of --windows (default: the whole run), the largest differences of the vessels'
#       positions and velocities, of their positions relative to the first vessel and of the
#       tethers' distances, and each tether's final length in both (realhost/CompareRuns.py).
#       --check also runs both at half the step and fails unless every difference is what the two
#       integrators' errors, estimated from those runs, and the host's physics that kestrane-sim
#       leaves out explain; --quarter runs both at a quarter of the step as well, for a tether that
#       hovers at the edge of taut, where the difference shrinks only over two halvings. Motion
#       after --motion-until is not compared. A kestrane-sim that reads
#       no module blocks (BEGIN_Kestrane ... END) is given the same lines in the display's block.
#       --displays runs the real host with its displays, as --keys and --screens do (a scenario whose
#       tethers are tied by a display's block needs them: without displays the host reads no display
#       block). --keys presses the same keys in both hosts, --delete deletes the same vessels at the
#       same times. --screens also compares the display: at every
#       redraw of the left display in the real host, its text with kestrane-sim's screen at the same
#       simulated time (kestrane-sim run --until T --screen); any difference fails. --graphics runs
#       the real host with the scene drawn, as run does.
#
# The host runs exactly round(S / dt) frames (--maxframes): its clock is a running sum of steps,
# so a run to --maxsimtime stops one step late whenever the sum falls short of the time.
#
# --x64, given to any command, does the same with the 64-bit host under 64-bit Wine (wine64): built
# into build/real-host-x64, with the 64-bit Kestrane.dll, its runs in out/real-host-x64.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
host_source=${KESTRANE_HOST_SOURCE:-$root/../shared/openorbiter}

# --- The host's architecture ---------------------------------------------------------------------
# 32-bit unless --x64 is among the arguments; each architecture has a build tree of its own. A
# build tree given in KESTRANE_REAL_HOST_BUILD (the tests give their own) is used as it is, for the
# machine its host is built for.
x64=0
arguments=()
for argument in "$@"; do
  if [ "$argument" = --x64 ]; then x64=1; else arguments+=("$argument"); fi
done
set -- "${arguments[@]}"
if [ -n "${KESTRANE_REAL_HOST_BUILD:-}" ]; then
  build=$KESTRANE_REAL_HOST_BUILD
  if [ -f "$build/host/Orbiter.exe" ]; then
    # The machine field of the program's PE header: 8664 for x64, 014c for x86.
    header=$(od -An -tu4 -j60 -N4 "$build/host/Orbiter.exe" | tr -d ' ')
    case $(od -An -tx2 -j$((header + 4)) -N2 "$build/host/Orbiter.exe" | tr -d ' ') in
      8664) x64=1 ;;
      *) [ "$x64" -eq 0 ] || { echo "real-host: --x64, but $build holds a 32-bit host" >&2; exit 2; } ;;
    esac
  fi
elif [ "$x64" -eq 1 ]; then
  build=$root/build/real-host-x64
else
  build=$root/build/real-host
fi
outputs=$root/out/real-host
if [ "$x64" -eq 1 ]; then
  outputs=$root/out/real-host-x64
  toolchain=cmake/clang-msvc-x64.cmake wine_arch=win64 wine=(env WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64)
  wine_run=(--64)
else
  toolchain=cmake/clang-msvc-i686.cmake wine_arch=win32 wine=(wine) wine_run=()
fi

fail() {
  echo "real-host: $*" >&2
  exit 1
}
usage() {
  echo "real-host: $*" >&2
  exit 2
}
# The script's head, from its first line of text to the blank comment line before `set`.
help() {
  sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
  exit 0
}
# Each TIME:KEY of a --keys list names a key the recorder presses (its own table of names, as
# kestrane-sim names them, and BTN1 ... BTN12), found before the host starts rather than in its log.
check_keys() {
  local names entry key
  local -a entries
  names=$(grep -o '{"[A-Z0-9]*", 0x' "$root/realhost/recorder/KeySchedule.cpp" | sed 's/{"\(.*\)", 0x/\1/')
  IFS=, read -r -a entries <<<"$1"
  for entry in "${entries[@]}"; do
    key=$(echo "${entry#*:}" | tr -d ' ' | tr '[:lower:]' '[:upper:]')
    [[ $entry == *:* ]] || usage "--keys entry '$entry' is not TIME:KEY"
    [[ $key =~ ^BTN([1-9]|1[0-2])$ || $key =~ ^0X[0-9A-F]{1,2}$ ]] && continue
    grep -qx -- "$key" <<<"$names" ||
      usage "--keys entry '$entry' names no known key (kestrane-sim run --help lists them)"
  done
}

# Runs the host in the build's Wine prefix, for half an hour at most: headless as cmake/wine-run.sh
# runs every program, or, with displays, on a virtual X display of its own, with Wine's debugger
# off so that a crash ends the run rather than opening a window nobody sees.
host_wine() {
  local displays=$1
  shift
  if [ "$displays" -eq 0 ]; then
    timeout 1800 "$root/cmake/wine-run.sh" "${wine_run[@]}" "$build/wineprefix" "$@"
    return
  fi
  command -v xvfb-run >/dev/null || usage "displays need Xvfb (scripts/install-deps.sh --windows installs xvfb)"
  # Every window of a Wine session belongs to its desktop process, which stays on the X display of
  # the program that started the session: a run on its own virtual display that joins a session
  # still going (a headless run beside it, or the last run, whose display has gone) gets no render
  # window. So runs with displays have a prefix of their own, made as every program of the build
  # makes one, and take it one at a time, each in a session of its own.
  local prefix="$build/wineprefix-displays"
  (
    flock 8
    [ -f "$prefix/system.reg" ] || "$root/cmake/wine-run.sh" "${wine_run[@]}" "$prefix" cmd /c exit >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w
    local status=0
    timeout 1800 xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" env WINEPREFIX="$prefix" WINEARCH=$wine_arch \
      WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe,winedbg.exe=" "${wine[@]}" "$@" ||
      status=$?
    WINEPREFIX="$prefix" wineserver -w
    exit "$status"
  ) 8>"$prefix.session"
}

build() {
  if [ -n "${KESTRANE_REAL_HOST_BUILD:-}" ]; then
    [ -f "$build/host/Orbiter.exe" ] || usage "KESTRANE_REAL_HOST_BUILD=$build holds no built host"
    return 0
  fi
  [ -f "$host_source/Src/Orbiter/Orbiter.cpp" ] ||
    usage "KESTRANE_HOST_SOURCE=$host_source is not the host's source tree"
  host_source=$(cd "$host_source" && pwd)
  if [ ! -f "$build/CMakeCache.txt" ] ||
    ! grep -qx "KESTRANE_HOST_SOURCE:PATH=$host_source" "$build/CMakeCache.txt"; then
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DKESTRANE_ORBITER_SDK="$host_source/Orbitersdk" -DKESTRANE_HOST_SOURCE="$host_source" \
      -DKESTRANE_TESTS=OFF -DKESTRANE_BENCH=OFF >/dev/null
  fi
  cmake --build "$build" -j "$(nproc)" --target real_host_tree
}

# A list of vessels to delete, "T:NAME,…", whose names the host's command line and block keep whole.
deletions_list() {
  [[ $1 =~ ^[0-9.]+:[A-Za-z0-9_-]+(,[0-9.]+:[A-Za-z0-9_-]+)*$ ]] || usage "--delete '$1' is not a list of TIME:NAME"
}

# A number above 0.
positive() {
  [[ $2 =~ ^[0-9]*\.?[0-9]+([eE][-+]?[0-9]+)?$ ]] && awk -v v="$2" 'BEGIN { exit !(v > 0) }' ||
    usage "$1 '$2' is not a positive number"
}

# --- The scene drawn (--graphics, --shot, --camera, --window) ----------------------------------------
# A run's choices for the host's Direct3D 7 client: the shots, the camera and the window.
graphics=0 graphics_window=800x500 graphics_camera=""
graphics_shots=()

# The option at $1 with its value $2, when it is one of the scene's: sets it and says so.
graphics_option() {
  case $1 in
    --shot) [[ $2 =~ ^[0-9]*\.?[0-9]+$ ]] || usage "--shot '$2' is not a time in seconds"; graphics_shots+=("$2") ;;
    --camera)
      [[ $2 =~ ^[A-Za-z0-9_.-]+(,-?[0-9]*\.?[0-9]+){0,4}$ ]] && [ "$(awk -F, '{ print NF }' <<<"$2")" -ne 3 ] ||
        usage "--camera '$2' is not VESSEL[,DISTANCE[,AZIMUTH,ELEVATION[,FOV]]]"
      graphics_camera=$2 ;;
    --window)
      [[ $2 =~ ^([0-9]+)x([0-9]+)$ ]] && [ "${BASH_REMATCH[1]}" -ge 160 ] && [ "${BASH_REMATCH[2]}" -ge 120 ] &&
        [ "${BASH_REMATCH[1]}" -le 1600 ] && [ "${BASH_REMATCH[2]}" -le 1000 ] ||
        usage "--window '$2' is not WIDTHxHEIGHT within 160x120 and 1600x1000"
      graphics_window=$2 ;;
    *) return 1 ;;
  esac
  graphics=1
}

# SCENARIO with its camera outside, as --camera asks: the block it had, if any, replaced.
graphics_scenario() {
  local scenario=$1
  if [ -z "$graphics_camera" ]; then
    cat "$scenario"
    return
  fi
  local vessel distance azimuth elevation fov
  IFS=, read -r vessel distance azimuth elevation fov <<<"$graphics_camera"
  awk '{ word = toupper($1); sub(/\r$/, "", word) }
       word == "BEGIN_CAMERA" { skip = 1 } !skip { print } skip && word == "END_CAMERA" { skip = 0 }' "$scenario"
  printf '\nBEGIN_CAMERA\n  TARGET %s\n  MODE Extern\n  POS %s %s %s\n  TRACKMODE TargetRelative\n  FOV %s\nEND_CAMERA\n' \
    "$vessel" "${distance:-4}" "${azimuth:-0}" "${elevation:-0}" "${fov:-40}"
}

# The lines of the recorder's block and the client's block for the scene.
graphics_recorder_lines() {
  local shot
  for shot in "${graphics_shots[@]}"; do printf '  Shot %s shot-%s.png\n' "$shot" "$shot"; done
}
# The host's configuration for the run: the render window's size, which the host reads as it starts.
graphics_config() { printf 'WindowWidth = %s\nWindowHeight = %s\n' "${graphics_window%x*}" "${graphics_window#*x}"; }

# A host that drew the scene and was killed (status 137) after its log's last line said it was
# shutting down ended its run: Wine ends a process that draws through OpenGL at times that way.
# Sets the variable named STATUS to 0 then.
graphics_status() {
  local log=$1
  local -n code=$2
  [ "$code" -eq 137 ] && [ -f "$log" ] && tail -n 1 "$log" | grep -aq 'Fast process shutdown' && code=0
  return 0
}

# After a run in HOST_DIR: its shots into OUT; a shot missing fails the run. Prints the frame rate
# the recorder logged.
graphics_collect() {
  local host=$1 out=$2 shot
  for shot in "${graphics_shots[@]}"; do
    [ -f "$host/shot-$shot.png" ] || fail "the run took no shot at $shot s ($out/Orbiter.log)"
    mv "$host/shot-$shot.png" "$host/shot-$shot.txt" "$out/"
  done
  grep -a 'Recorder: [0-9]* frames timed' "$out/Orbiter.log" | tail -n 1 | tr -d '\r' | sed 's/^[0-9.]*: Recorder: /real-host: /' || true
}

run() {
  [ $# -ge 1 ] || usage "run needs a scenario"
  local scenario=$1 duration=10 dt="" every=1 out="" keys="" deletions="" displays=0
  local -a pictures=()
  shift
  while [ $# -gt 0 ]; do
    if [ "$1" = --displays ] || [ "$1" = --graphics ]; then
      displays=1
      [ "$1" = --displays ] || graphics=1
      shift
      continue
    fi
    [ $# -ge 2 ] || usage "$1 needs a value"
    if graphics_option "$1" "$2"; then
      displays=1
      shift 2
      continue
    fi
    case $1 in
      --duration) positive "$1" "$2"; duration=$2 ;;
      --dt) positive "$1" "$2"; dt=$2 ;;
      --every) positive "$1" "$2"; every=$2 ;;
      --out) out=$2 ;;
      --keys) [[ $2 =~ ^[-A-Za-z0-9_:.,\ ]+$ ]] || usage "--keys '$2' is not a list of TIME:KEY"; check_keys "$2"; keys=$2; displays=1 ;;
      --delete) deletions_list "$2"; deletions=$2 ;;
      --picture) [[ $2 =~ ^[0-9]*\.?[0-9]+$ ]] || usage "--picture '$2' is not a time in seconds"; pictures+=("$2"); displays=1 ;;
      *) usage "unknown option '$1'" ;;
    esac
    shift 2
  done
  [ -r "$scenario" ] || usage "cannot read scenario '$scenario'"
  local name
  name=$(basename "$scenario" .scn)
  [[ $name =~ ^[A-Za-z0-9_.-]+$ ]] || usage "scenario name '$name' has characters the host's command line would split"
  if [ -z "$dt" ]; then
    dt=$(awk 'toupper($1) == "STEP" { print $2; exit }' "$scenario")
    dt=${dt:-0.02}
  fi
  local frames
  frames=$(awk -v s="$duration" -v dt="$dt" 'BEGIN { printf "%d", s / dt + 0.5 }')
  [ "$frames" -gt 0 ] || usage "--duration $duration is shorter than half a step of $dt s"
  out=${out:-$outputs/$name}

  build >/dev/null
  # A host folder of the run's own, so that runs may go side by side: the built programs, modules
  # and configuration linked in, the scenario with the recorder's block, the log and the saved state.
  rm -rf "$out"
  mkdir -p "$out/host/Scenarios/Run"
  out=$(cd "$out" && pwd)
  local entry
  for entry in "$build"/host/*; do
    case $(basename "$entry") in
      Scenarios | Orbiter.log | Orbiter.cfg | keymap.cfg) ;;
      *) ln -s "$entry" "$out/host/" ;;
    esac
  done
  {
    graphics_scenario "$scenario"
    printf '\nBEGIN_Recorder\n  Vessels vessels.csv\n  Tethers tethers.csv\n  Every %s\n' "$every"
    [ -z "$keys" ] || printf '  Keys %s\n' "$keys"
    graphics_recorder_lines
    [ -z "$deletions" ] || printf '  Delete %s\n' "$deletions"
    printf 'END\n'
    if [ "$displays" -eq 1 ]; then
      if [ "$graphics" -eq 1 ]; then printf 'BEGIN_D3D7Client\n'; else printf 'BEGIN_NullClient\n'; fi
      printf '  Screens screens.txt\n'
      local picture
      for picture in "${pictures[@]}"; do printf '  Picture %s display-%s.png\n' "$picture" "$picture"; done
      printf 'END\n'
    fi
  } >"$out/host/Scenarios/Run/$name.scn"
  [ "$graphics" -eq 0 ] || graphics_config >"$out/host/Orbiter.cfg"

  # The graphics client first: the host takes the first module that registers as one.
  local -a modules=(--plugin=Recorder --plugin=Kestrane)
  [ "$displays" -eq 0 ] || modules=(--plugin=NullClient "${modules[@]}")
  [ "$graphics" -eq 0 ] || modules=(--plugin=D3D7Client "${modules[@]:1}")
  local status=0
  (cd "$out/host" && host_wine "$displays" Orbiter.exe "--scenariox=Run\\$name" "--fixedstep=$dt" \
    "--maxframes=$frames" "${modules[@]}") >"$out/host.txt" 2>&1 || status=$?
  [ -f "$out/host/Orbiter.log" ] && cp "$out/host/Orbiter.log" "$out/Orbiter.log"
  [ "$graphics" -eq 0 ] || graphics_status "$out/Orbiter.log" status
  [ -f "$out/host/Scenarios/(Current state).scn" ] && cp "$out/host/Scenarios/(Current state).scn" "$out/end.scn"
  local csv
  for csv in vessels.csv tethers.csv screens.txt; do
    [ -f "$out/host/$csv" ] && mv "$out/host/$csv" "$out/$csv"
  done
  for csv in "$out"/host/display-*.png; do
    [ -f "$csv" ] && mv "$csv" "$out/"
  done

  [ -f "$out/Orbiter.log" ] || fail "the host wrote no Orbiter.log (exit status $status; $out/host.txt)"
  if [ "$status" -ne 0 ]; then
    # The log's last complaint, passing over those of every headless run (its gravity models and
    # meshes are not in the host tree).
    local reason
    reason=$(grep -a -i -E 'error|not found|^[0-9.]*: no .* found|fail|cannot' "$out/Orbiter.log" | grep -a -v -E 'GRAVITY MODEL|Mesh not found' |
      tail -n 1 | tr -d '\r' | sed 's/^[0-9.]*: //')
    fail "the host exited with status $status on $scenario${reason:+: $reason} ($out/Orbiter.log)"
  fi
  # The DeltaGlider asks for the host's script interpreter (LuaInline) for its autopilot, which is
  # not built: without it no script runs, and nothing else changes.
  local failed
  failed=$(grep -a -i -E 'module.*(fail|could not|cannot|not found)|(fail|could not|cannot).*module|^[0-9.]+: (Recorder|NullClient|D3D7Client): error' \
    "$out/Orbiter.log" | grep -a -v 'Could not find a module named LuaInline\.' | head -n 1 || true)
  [ -z "$failed" ] || fail "$(echo "$failed" | tr -d '\r') ($out/Orbiter.log)"
  grep -aq 'Loading module Kestrane' "$out/Orbiter.log" || fail "the host did not load Kestrane ($out/Orbiter.log)"
  for csv in end.scn vessels.csv tethers.csv; do
    [ -s "$out/$csv" ] || fail "the run left no $csv in $out"
  done
  # The host draws its displays only in the cockpit: an outside camera shows none.
  if [ "$displays" -eq 1 ] && [ -z "$graphics_camera" ]; then
    grep -q '^display ' "$out/screens.txt" 2>/dev/null || fail "the host drew no display in $out ($out/Orbiter.log)"
  fi
  [ "$graphics" -eq 0 ] || graphics_collect "$out/host" "$out"
  echo "real-host: $scenario, $frames frames of $dt s: $out"
}

# The left display's text at every redraw of a real host's run (REAL_RUN/screens.txt) against
# kestrane-sim's screen of the same file, keys and step at the same simulated time
# (realhost/CompareScreens.py, which takes what the motion may change from the two runs' tethers).
#   compare_screens REAL_RUN WORK_DIR SCENARIO STEP KEYS DELETIONS SIM_BUILD SIM_RUN
compare_screens() {
  local real=$1 work=$2 file=$3 dt=$4 keys=$5 deletions=$6 sim=$7 simRun=$8
  rm -rf "$work"
  mkdir -p "$work"
  # Each redraw of display 0 in a file of its own, and its time in the index.
  awk -v dir="$work" '
    rows > 0 { rows--; if (out != "") print > out; next }
    /^display [0-9]+ at [^ ]+ s, [0-9]+ rows$/ {
      if (out != "") close(out)
      out = ""; rows = $6
      if ($2 == 0) { n++; out = sprintf("%s/host-%05d.txt", dir, n); printf "" > out; printf "%05d %s\n", n, $4 > (dir "/index") }
      next
    }
    { print "real-host: a line of no redraw in the screens file: " $0 > "/dev/stderr"; exit 1 }
  ' "$real/screens.txt" || fail "$real/screens.txt is not a screens file"
  [ -s "$work/index" ] || fail "the real host drew no left display ($real/screens.txt)"
  local -a keyOption=()
  [ -z "$keys" ] || keyOption=(--keys "$keys")
  [ -z "$deletions" ] || keyOption+=(--delete "$deletions")
  local n t
  while read -r n t; do
    "$sim/kestrane-sim" run "$file" --until "$t" --dt "$dt" "${keyOption[@]}" --plugin "$sim/kestrane.so" \
      --screen "$work/sim-$n.txt" --quiet || fail "kestrane-sim failed on $file until $t s"
  done <"$work/index"
  python3 "$root/realhost/CompareScreens.py" --work "$work" --real "$real" --sim "$simRun" --step "$dt"
}

compare() {
  [ $# -ge 1 ] || usage "compare needs a scenario"
  local scenario=$1 out="" sim=$root/build/linux duration=10 dt="" every=1 windows="" motion_until="" check=0 quarter=0
  local keys="" deletions="" screens=0 displays=0
  shift
  while [ $# -gt 0 ]; do
    if [ "$1" = --check ] || [ "$1" = --quarter ] || [ "$1" = --screens ] || [ "$1" = --displays ] || [ "$1" = --graphics ]; then
      case $1 in
        --check) check=1 ;;
        --quarter) quarter=1 ;;
        --screens) screens=1 ;;
        --graphics) graphics=1 ;;
        *) displays=1 ;;
      esac
      shift
      continue
    fi
    [ $# -ge 2 ] || usage "$1 needs a value"
    case $1 in
      --keys) [[ $2 =~ ^[-A-Za-z0-9_:.,\ ]+$ ]] || usage "--keys '$2' is not a list of TIME:KEY"; check_keys "$2"; keys=$2 ;;
      --delete) deletions_list "$2"; deletions=$2 ;;
      --duration) positive "$1" "$2"; duration=$2 ;;
      --dt) positive "$1" "$2"; dt=$2 ;;
      --every) positive "$1" "$2"; every=$2 ;;
      --motion-until) positive "$1" "$2"; motion_until=$2 ;;
      --windows) [[ $2 =~ ^[0-9.]+(,[0-9.]+)*$ ]] || usage "--windows '$2' is not a list of times"; windows=$2 ;;
      --out) out=$2 ;;
      --sim) sim=$2 ;;
      *) usage "unknown option '$1'" ;;
    esac
    shift 2
  done
  [ -r "$scenario" ] || usage "cannot read scenario '$scenario'"
  [ -x "$sim/kestrane-sim" ] && [ -f "$sim/kestrane.so" ] ||
    usage "$sim has no kestrane-sim and kestrane.so (build the Linux tree, or give --sim)"
  local name
  name=$(basename "$scenario" .scn)
  out=${out:-$outputs/compare-$name}
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  # The host has no step of its own: both take the scenario's unless one is given.
  if [ -z "$dt" ]; then
    dt=$(awk 'toupper($1) == "STEP" { print $2; exit }' "$scenario")
    dt=${dt:-0.02}
  fi

  # kestrane-sim is given the file as it stands, or, where it reads no module blocks, with
  # Kestrane's block as the display's.
  [ "$quarter" -eq 0 ] || [ "$check" -eq 1 ] || usage "--quarter needs --check"
  rm -rf "$out/sim" "$out/sim-half" "$out/sim-quarter"
  mkdir -p "$out/sim" "$out/sim-half" "$out/sim-quarter"
  local file=$scenario
  if grep -q '^BEGIN_Kestrane' "$scenario" &&
    ! "$sim/kestrane-sim" run "$scenario" --duration 0 --quiet --plugin "$sim/kestrane.so" >/dev/null 2>&1; then
    file=$out/sim/$name.scn
    awk 'inside && toupper($1) == "END" && NF == 1 { print "END_MFD"; inside = 0; next }
         /^BEGIN_Kestrane[ \t\r]*$/ { print "BEGIN_MFD Left\n  TYPE User\n  MODE Kestrane"; inside = 1; next }
         { print }' "$scenario" >"$file"
    echo "real-host: kestrane-sim reads no module blocks: it is given Kestrane's block as the display's ($file)" >&2
  fi
  local -a steps=("$dt|")
  if [ "$check" -eq 1 ]; then
    steps+=("$(awk -v dt="$dt" 'BEGIN { printf "%.17g", dt / 2 }')|-half")
  fi
  if [ "$quarter" -eq 1 ]; then
    steps+=("$(awk -v dt="$dt" 'BEGIN { printf "%.17g", dt / 4 }')|-quarter")
  fi
  local -a realKeys=() simKeys=()
  [ "$graphics" -eq 0 ] || realKeys=(--graphics)
  if [ -n "$deletions" ]; then
    realKeys+=(--delete "$deletions")
    simKeys+=(--delete "$deletions")
  fi
  if [ -n "$keys" ]; then
    realKeys+=(--keys "$keys")
    simKeys+=(--keys "$keys")
  elif [ "$screens" -eq 1 ] || [ "$displays" -eq 1 ]; then
    realKeys+=(--displays)
  elif [ "$graphics" -eq 0 ] && grep -q '^[ \t]*MODE Kestrane' "$scenario" && ! grep -q '^BEGIN_Kestrane' "$scenario"; then
    echo "real-host: $scenario keeps its tethers in a display's block, which the host reads only with its displays (--displays)" >&2
  fi
  local step
  for step in "${steps[@]}"; do
    run "$scenario" --duration "$duration" --dt "${step%|*}" --every "$every" --out "$out/real${step#*|}" \
      "${realKeys[@]}" >/dev/null
    "$sim/kestrane-sim" run "$file" --duration "$duration" --dt "${step%|*}" --every "$every" --plugin "$sim/kestrane.so" \
      "${simKeys[@]}" --vessels "$out/sim${step#*|}/vessels.csv" --tethers "$out/sim${step#*|}/tethers.csv" \
      --save "$out/sim${step#*|}/end.scn" --quiet || fail "kestrane-sim failed on $file"
  done
  local -a halves=()
  [ "$check" -eq 0 ] || halves=(--real-half "$out/real-half" --sim-half "$out/sim-half" --check)
  [ "$quarter" -eq 0 ] || halves+=(--real-quarter "$out/real-quarter" --sim-quarter "$out/sim-quarter")
  local status=0
  python3 "$root/realhost/CompareRuns.py" --name "$name" --real "$out/real" --sim "$out/sim" "${halves[@]}" \
    --windows "$windows" --motion-until "$motion_until" | tee "$out/comparison.txt" || status=1
  if [ "$screens" -eq 1 ]; then
    compare_screens "$out/real" "$out/screens" "$file" "$dt" "$keys" "$deletions" "$sim" "$out/sim" | tee -a "$out/comparison.txt" ||
      status=1
  fi
  return "$status"
}

[ $# -ge 1 ] || usage "a command is needed: build, run SCENARIO or compare SCENARIO (real-host.sh --help says more)"
command=$1
shift
case $command in
  -h | --help | help) help ;;
  build) [ $# -eq 0 ] || usage "build takes no arguments"; build ;;
  run) run "$@" ;;
  compare) compare "$@" ;;
  *) usage "unknown command '$command'" ;;
esac
