#!/usr/bin/env bash
# The real host, built from its own sources, with Kestrane in it, under 32-bit Wine: headless, or
# with its displays on a virtual X display.
#
#   scripts/real-host.sh build
#       builds the host from KESTRANE_HOST_SOURCE (default ../shared/openorbiter) into
#       build/real-host (realhost/: the host, its Sun, Earth, Moon, ShuttlePB, DeltaGlider and
#       Shuttle-A modules, Kestrane.dll, the recorder module and the null graphics client, laid out as
#       a host installation in build/real-host/host)
#
#   scripts/real-host.sh run SCENARIO [--duration S] [--dt S] [--every S] [--out DIR]
#                        [--keys LIST] [--displays] [--picture T]...
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
#       DIR/display-T.png; both imply --displays.
#
#   scripts/real-host.sh compare SCENARIO [--duration S] [--dt S] [--every S] [--out DIR] [--sim BUILD]
#                        [--windows T1,T2] [--motion-until T] [--check] [--displays] [--keys LIST] [--screens]
#       runs SCENARIO in the real host (DIR/real, as run does) and in kestrane-sim of BUILD (default
#       build/linux; DIR/sim) with the same step and samples, and prints, for the samples up to each
#       time of --windows (default: the whole run), the largest differences of the vessels'
#       positions and velocities, of their positions relative to the first vessel and of the
#       tethers' distances, and each tether's final length in both (realhost/CompareRuns.awk).
#       --check also runs both at half the step and fails unless every difference is what the two
#       integrators' errors, estimated from those runs, and the host's physics that kestrane-sim
#       leaves out explain. Motion after --motion-until is not compared. A kestrane-sim that reads
#       no module blocks (BEGIN_Kestrane ... END) is given the same lines in the display's block.
#       --displays runs the real host with its displays, as --keys and --screens do (a scenario whose
#       tethers are tied by a display's block needs them: without displays the host reads no display
#       block). --keys presses the same keys in both hosts. --screens also compares the display: at every
#       redraw of the left display in the real host, its text with kestrane-sim's screen at the same
#       simulated time (kestrane-sim run --until T --screen); any difference fails.
#
# The host runs exactly round(S / dt) frames (--maxframes): its clock is a running sum of steps,
# so a run to --maxsimtime stops one step late whenever the sum falls short of the time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
# A build tree given in KESTRANE_REAL_HOST_BUILD (the tests give their own) is used as it is.
build=${KESTRANE_REAL_HOST_BUILD:-$root/build/real-host}
host_source=${KESTRANE_HOST_SOURCE:-$root/../shared/openorbiter}

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
    timeout 1800 "$root/cmake/wine-run.sh" "$build/wineprefix" "$@"
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
    [ -f "$prefix/system.reg" ] || "$root/cmake/wine-run.sh" "$prefix" cmd /c exit >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w
    local status=0
    timeout 1800 xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" env WINEPREFIX="$prefix" WINEARCH=win32 \
      WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe,winedbg.exe=" wine "$@" || status=$?
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
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/clang-msvc-i686.cmake -DCMAKE_BUILD_TYPE=Release \
      -DKESTRANE_ORBITER_SDK="$host_source/Orbitersdk" -DKESTRANE_HOST_SOURCE="$host_source" \
      -DKESTRANE_TESTS=OFF -DKESTRANE_BENCH=OFF >/dev/null
  fi
  cmake --build "$build" -j "$(nproc)" --target real_host_tree
}

# A number above 0.
positive() {
  [[ $2 =~ ^[0-9]*\.?[0-9]+([eE][-+]?[0-9]+)?$ ]] && awk -v v="$2" 'BEGIN { exit !(v > 0) }' ||
    usage "$1 '$2' is not a positive number"
}

run() {
  [ $# -ge 1 ] || usage "run needs a scenario"
  local scenario=$1 duration=10 dt="" every=1 out="" keys="" displays=0
  local -a pictures=()
  shift
  while [ $# -gt 0 ]; do
    if [ "$1" = --displays ]; then
      displays=1
      shift
      continue
    fi
    [ $# -ge 2 ] || usage "$1 needs a value"
    case $1 in
      --duration) positive "$1" "$2"; duration=$2 ;;
      --dt) positive "$1" "$2"; dt=$2 ;;
      --every) positive "$1" "$2"; every=$2 ;;
      --out) out=$2 ;;
      --keys) [[ $2 =~ ^[-A-Za-z0-9_:.,\ ]+$ ]] || usage "--keys '$2' is not a list of TIME:KEY"; check_keys "$2"; keys=$2; displays=1 ;;
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
  out=${out:-$root/out/real-host/$name}

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
    cat "$scenario"
    printf '\nBEGIN_Recorder\n  Vessels vessels.csv\n  Tethers tethers.csv\n  Every %s\n' "$every"
    [ -z "$keys" ] || printf '  Keys %s\n' "$keys"
    printf 'END\n'
    if [ "$displays" -eq 1 ]; then
      printf 'BEGIN_NullClient\n  Screens screens.txt\n'
      local picture
      for picture in "${pictures[@]}"; do printf '  Picture %s display-%s.png\n' "$picture" "$picture"; done
      printf 'END\n'
    fi
  } >"$out/host/Scenarios/Run/$name.scn"

  # The graphics client first: the host takes the first module that registers as one.
  local -a modules=(--plugin=Recorder --plugin=Kestrane)
  [ "$displays" -eq 0 ] || modules=(--plugin=NullClient "${modules[@]}")
  local status=0
  (cd "$out/host" && host_wine "$displays" Orbiter.exe "--scenariox=Run\\$name" "--fixedstep=$dt" \
    "--maxframes=$frames" "${modules[@]}") >"$out/host.txt" 2>&1 || status=$?
  [ -f "$out/host/Orbiter.log" ] && cp "$out/host/Orbiter.log" "$out/Orbiter.log"
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
  failed=$(grep -a -i -E 'module.*(fail|could not|cannot|not found)|(fail|could not|cannot).*module|^[0-9.]+: (Recorder|NullClient): error' \
    "$out/Orbiter.log" | grep -a -v 'Could not find a module named LuaInline\.' | head -n 1 || true)
  [ -z "$failed" ] || fail "$(echo "$failed" | tr -d '\r') ($out/Orbiter.log)"
  grep -aq 'Loading module Kestrane' "$out/Orbiter.log" || fail "the host did not load Kestrane ($out/Orbiter.log)"
  for csv in end.scn vessels.csv tethers.csv; do
    [ -s "$out/$csv" ] || fail "the run left no $csv in $out"
  done
  if [ "$displays" -eq 1 ]; then
    grep -q '^display ' "$out/screens.txt" 2>/dev/null || fail "the host drew no display in $out ($out/Orbiter.log)"
  fi
  echo "real-host: $scenario, $frames frames of $dt s: $out"
}

# The left display's text at every redraw of a real host's run (REAL_RUN/screens.txt) against
# kestrane-sim's screen of the same file, keys and step at the same simulated time
# (realhost/CompareScreens.awk, which takes what the motion may change from the two runs' tethers).
#   compare_screens REAL_RUN WORK_DIR SCENARIO STEP KEYS SIM_BUILD SIM_RUN
compare_screens() {
  local real=$1 work=$2 file=$3 dt=$4 keys=$5 sim=$6 simRun=$7
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
  local n t
  while read -r n t; do
    "$sim/kestrane-sim" run "$file" --until "$t" --dt "$dt" "${keyOption[@]}" --plugin "$sim/kestrane.so" \
      --screen "$work/sim-$n.txt" --quiet || fail "kestrane-sim failed on $file until $t s"
  done <"$work/index"
  awk -v work="$work" -v real="$real" -v sim="$simRun" -v step="$dt" -f "$root/realhost/CompareScreens.awk"
}

compare() {
  [ $# -ge 1 ] || usage "compare needs a scenario"
  local scenario=$1 out="" sim=$root/build/linux duration=10 dt="" every=1 windows="" motion_until="" check=0
  local keys="" screens=0 displays=0
  shift
  while [ $# -gt 0 ]; do
    if [ "$1" = --check ] || [ "$1" = --screens ] || [ "$1" = --displays ]; then
      case $1 in
        --check) check=1 ;;
        --screens) screens=1 ;;
        *) displays=1 ;;
      esac
      shift
      continue
    fi
    [ $# -ge 2 ] || usage "$1 needs a value"
    case $1 in
      --keys) [[ $2 =~ ^[-A-Za-z0-9_:.,\ ]+$ ]] || usage "--keys '$2' is not a list of TIME:KEY"; check_keys "$2"; keys=$2 ;;
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
  out=${out:-$root/out/real-host/compare-$name}
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  # The host has no step of its own: both take the scenario's unless one is given.
  if [ -z "$dt" ]; then
    dt=$(awk 'toupper($1) == "STEP" { print $2; exit }' "$scenario")
    dt=${dt:-0.02}
  fi

  # kestrane-sim is given the file as it stands, or, where it reads no module blocks, with
  # Kestrane's block as the display's.
  rm -rf "$out/sim" "$out/sim-half"
  mkdir -p "$out/sim" "$out/sim-half"
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
  local -a realKeys=() simKeys=()
  if [ -n "$keys" ]; then
    realKeys=(--keys "$keys")
    simKeys=(--keys "$keys")
  elif [ "$screens" -eq 1 ] || [ "$displays" -eq 1 ]; then
    realKeys=(--displays)
  elif grep -q '^[ \t]*MODE Kestrane' "$scenario" && ! grep -q '^BEGIN_Kestrane' "$scenario"; then
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
  [ "$check" -eq 0 ] || halves=(-v "realHalf=$out/real-half" -v "simHalf=$out/sim-half")
  local status=0
  awk -v name="$name" -v real="$out/real" -v sim="$out/sim" "${halves[@]}" -v windows="$windows" \
    -v motionUntil="$motion_until" -v check="$check" -f "$root/realhost/CompareRuns.awk" | tee "$out/comparison.txt" ||
    status=1
  if [ "$screens" -eq 1 ]; then
    compare_screens "$out/real" "$out/screens" "$file" "$dt" "$keys" "$sim" "$out/sim" | tee -a "$out/comparison.txt" ||
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
