#!/usr/bin/env bash
# Where the instructions of a whole kestrane-sim run go, counted by callgrind (valgrind), which
# counts executed instructions and is not disturbed by other load on the machine. The run is the
# one scripts/floor.sh times: scenarios/tug.scn for 3600 s at 0.02 s with the demo's keys (as
# `bare-loop --keys` prints them), without CSV files and with both CSV files every second; and the
# bare loop itself.
#
#   scripts/profile.sh [--duration S] [--sim DIR] [OUTPUT_DIR]     (default: 3600 s, out/profile)
#
# With --sim, the kestrane-sim and kestrane.so of another build tree DIR (say, an older commit's,
# built in release mode with -g) are profiled instead of this tree's; the bare loop stays this
# tree's.
#
# Builds in release mode with debug information (build/profile), runs callgrind four times (the
# whole run without and with CSV files, the plug-in's per-frame callback alone, the bare loop), prints the
# instructions per frame by part, and leaves the callgrind files and their listings in
# OUTPUT_DIR (callgrind_annotate FILE shows the rest).
set -euo pipefail

duration=3600 out=out/profile sim=
while [ $# -gt 0 ]; do
  case "$1" in
    --duration) duration=${2:?--duration needs seconds}; shift 2 ;;
    --sim) sim=$(cd "${2:?--sim needs a build tree}" && pwd); shift 2 ;;
    -*) echo "profile.sh: unknown option '$1' (usage: scripts/profile.sh [--duration S] [--sim DIR] [OUTPUT_DIR])" >&2; exit 2 ;;
    *) out=$1; shift ;;
  esac
done
[[ "$duration" =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "profile.sh: --duration needs seconds, not '$duration'" >&2; exit 2; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$(dirname "$0")/.."
build=build/profile

bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g -DKESTRANE_TESTS=OFF >/dev/null
cmake --build "$build" --target kestrane-sim kestrane bare-loop -j "$(nproc)" >/dev/null
sim=${sim:-$PWD/$build}
for file in "$sim/kestrane-sim" "$sim/kestrane.so"; do
  [ -f "$file" ] || { echo "profile.sh: $file is missing" >&2; exit 2; }
done

frames=$(awk -v d="$duration" 'BEGIN { n = d / 0.02; f = int(n); if (n - f > 1e-9) f++; print f }')
run=("$sim/kestrane-sim" run "$PWD/scenarios/tug.scn" --plugin "$sim/kestrane.so"
  --duration "$duration" --dt 0.02 --keys "$("$build/bench/bare-loop" --keys)" --quiet)
profile() {
  local name=$1
  shift
  (cd "$out" && valgrind --tool=callgrind --callgrind-out-file="$name.callgrind" "$@" >/dev/null 2>"$name.log")
  callgrind_annotate --inclusive=yes --threshold=100 "$out/$name.callgrind" >"$out/$name.txt" 2>/dev/null
}
profile run "${run[@]}"
profile csv "${run[@]}" --tethers "$out/tethers.csv" --vessels "$out/vessels.csv" --every 1
# Only inside the callbacks the host calls every frame, so that the host functions the plug-in
# calls count for the frame alone and not for the display's redraws.
profile step --toggle-collect=opcTimestep --toggle-collect=opcPreStep --toggle-collect=opcPostStep "${run[@]}"
profile bare "$PWD/$build/bench/bare-loop" "$duration" 0.02

# The inclusive instructions of functions, added up, in one listing. A function is named without
# its arguments; the listing may hold it several times (under the file of its body and of code
# inlined into it), and its largest count is the whole function.
cost() {
  local listing=$1
  shift
  awk -v names="$(printf '%s\n' "$@")" '
    BEGIN { n = split(names, want, "\n") }
    /^ *[0-9,]+ +\(/ {
      count = $1; gsub(",", "", count)
      line = $0; sub(/^ *[0-9,]+ +\([ 0-9.%]+\) +/, "", line); sub(/^[^:]*:/, "", line)
      for (i = 1; i <= n; ++i)
        if (index(line, want[i] "(") == 1 || line == want[i] || index(line, want[i] " [") == 1) {
          if (count + 0 > best[i]) best[i] = count + 0
          break
        }
    }
    END { for (i = 1; i <= n; ++i) total += best[i]; print total + 0 }' "$out/$listing.txt"
}
total() { awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1; exit }' "$out/$1.txt"; }

run_total=$(total run) csv_total=$(total csv) bare_total=$(total bare)
step=$(total step)
lookups=$(cost step oapiGetVesselByName oapiGetVesselInterface)
exhausts=$(cost step VESSEL::AddExhaust VESSEL::DelExhaust)
tanks=$(cost step VESSEL::SetThrusterLevel VESSEL::GetPropellantMass VESSEL::SetPropellantMass)
state=$(cost step VESSEL::GetGlobalPos VESSEL::GetRotationMatrix oapiGetSimStep)
forces=$(cost step VESSEL::AddForce)
host_frame=$(cost run sim::Simulation::Frame)
thrusters=$(cost run sim::Vessel::ApplyThrusters)
integrate=$(cost run sim::Vessel::Integrate)
gravity=$(cost run sim::World::GravityAt)
redraw=$(cost run sim::Simulation::RedrawDisplays)
startup=$(cost run sim::Simulation::Simulation sim::Simulation::~Simulation sim::ParseCommandLine)
sampling=$(cost csv sim::Recorder::Sample sim::Recorder::Close sim::Recorder::Open)

awk -v F="$frames" -v T="$run_total" -v C="$csv_total" -v step="$step" -v lookups="$lookups" \
  -v exhausts="$exhausts" -v tanks="$tanks" -v state="$state" -v forces="$forces" -v frame="$host_frame" \
  -v thrusters="$thrusters" -v integrate="$integrate" -v gravity="$gravity" -v redraw="$redraw" \
  -v startup="$startup" -v sampling="$sampling" -v bare="$bare_total" 'BEGIN {
  row("the plug-in'\''s step (per-frame callback)", step)
  row("  vessel lookups by name and handle", lookups)
  row("  exhaust streams: one removed, one added", exhausts)
  row("  thruster levels and the tank", tanks)
  row("  positions, rotation matrices, the step", state)
  row("  forces added", forces)
  row("  the tension law and the records", step - lookups - exhausts - tanks - state - forces)
  row("host: thrusters and propellant", thrusters)
  row("host: integration (translation and rotation)", integrate)
  row("host: gravity", gravity)
  row("host: the rest of the frame", frame - step - thrusters - integrate - gravity)
  row("display redraw once per simulated second", redraw)
  row("start-up, module load and unload", startup)
  row("the rest (run loop, loader, exit)", T - frame - redraw - startup)
  printf "%-46s %12.0f %9.1f\n", "whole run without CSV files", T, T / F
  row("sampling both CSV files every second", sampling)
  printf "%-46s %12.0f %9.1f\n", "whole run with both CSV files", C, C / F
  printf "%-46s %12.0f %9.1f   (run / bare loop: %.1f, with CSV %.1f)\n", "the bare loop", bare, bare / F, T / bare, C / bare
  printf "(%d frames; instructions per frame are the total over the frames; %%: of the run without CSV)\n", F
}
function row(name, n) { printf "%-46s %12.0f %9.1f %6.1f %%\n", name, n, n / F, 100 * n / T }' |
  { printf '%-46s %12s %9s %8s\n' part instructions "per frame" share; cat; }
echo "callgrind files and inclusive listings: $out/{run,csv,step,bare}.{callgrind,txt}"
