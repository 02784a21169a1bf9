#!/usr/bin/env bash
# Checks that two builds of kestrane-sim and the plug-in write the same bytes: every example
# scenario and every test scenario, run with sets of keys that tie, reel, free-spool, stiffen,
# attach at docking ports, disconnect and delete vessels, with the other build's output compared
# file by file (the tethers and vessels CSV files, the display's text and the saved scenario).
# For a change to the host that must not change any result.
#
#   scripts/same-results.sh REF [BUILD]
#
# REF is a git revision (a branch, a commit): its sources are exported into build/same-results/
# and built there in release mode (kept for the next call). BUILD is the build tree to compare
# with it (default build/release, built from the working tree). Exits 1 and names the runs and
# the first differing lines when anything differs. With KEEP=1 the runs' files are kept and their
# folder is named.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
ref=${1:?usage: scripts/same-results.sh REF [BUILD]}
build=${2:-build/release}

commit=$(git rev-parse --verify --quiet "$ref^{commit}") || { echo "same-results: '$ref' is no git revision" >&2; exit 2; }
before=build/same-results/${commit:0:12}
if [ ! -x "$before/build/kestrane-sim" ]; then
  rm -rf "$before"
  mkdir -p "$before/src"
  git archive "$commit" | tar -x -C "$before/src"
  cmake -S "$before/src" -B "$before/build" -DCMAKE_BUILD_TYPE=Release -DKESTRANE_TESTS=OFF -DKESTRANE_BENCH=OFF \
    >/dev/null
  cmake --build "$before/build" --target kestrane-sim kestrane -j "$(nproc)" >"$before/build.log" 2>&1 ||
    { cat "$before/build.log" >&2; exit 1; }
fi
if [ "$build" = build/release ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRANE_TESTS=OFF >/dev/null
  cmake --build "$build" --target kestrane-sim kestrane bare-loop -j "$(nproc)" >"$build/same-results.log" 2>&1 ||
    { cat "$build/same-results.log" >&2; exit 1; }
fi
for file in "$build/kestrane-sim" "$build/kestrane.so"; do
  [ -f "$file" ] || { echo "same-results: $file is missing" >&2; exit 2; }
done

work=$(mktemp -d)
if [ -n "${KEEP:-}" ]; then
  echo "same-results: the runs' files stay in $work"
else
  trap 'rm -rf "$work"' EXIT
fi

# Each set of keys works on whatever the scenario has: the focus vessel, the next vessel in the
# list, the current link and the next one.
declare -A keys=(
  # none: the scenario's own tethers as they were saved
  [none]=""
  # tie the current link to the next vessel at the distance, reel in faster and faster, stiffen
  # the next tether, stop the reel
  [reel]="0:MINUS,0.02:A,0.04:J,2:I,4:I,6:APOSTROPHE,9:O,12:O,15:K"
  # the next link from docking port to docking port, shorter, free-spooling; stiffer, then let go
  [ports]="0:PERIOD,0.02:MINUS,0.04:LBRACKET,0.06:2,0.08:5,0.1:J,1:S,3:L,6:7,6.02:8,8:J,20:U"
  # every link tied in turn to the next vessels
  [all]="0:MINUS,0.02:J,0.04:PERIOD,0.06:MINUS,0.08:J,0.1:PERIOD,0.12:MINUS,0.14:J,0.16:PERIOD,0.18:MINUS,0.2:J,1:I,2:COMMA,2.02:O,3:S"
)

status=0 runs=0
# run NAME SCENARIO ARGS...: the same run with both builds; their files must be equal.
run() {
  local name=$1 scenario=$2
  shift 2
  local side dir
  for side in before after; do
    dir="$work/$name/$side"
    mkdir -p "$dir"
    local sim=$root/$build/kestrane-sim plugin=$root/$build/kestrane.so
    if [ "$side" = before ]; then sim=$root/$before/build/kestrane-sim plugin=$root/$before/build/kestrane.so; fi
    (cd "$dir" && "$sim" run "$scenario" --plugin "$plugin" --quiet --tethers tethers.csv --vessels vessels.csv \
      --screen screen.txt --save saved.scn "$@" >output.txt 2>&1) || echo "exit $?" >>"$dir/output.txt"
  done
  local file
  for file in tethers.csv vessels.csv screen.txt saved.scn output.txt; do
    if ! cmp -s "$work/$name/before/$file" "$work/$name/after/$file"; then
      echo "same-results: $name: $file differs (< $ref, > $build):" >&2
      diff "$work/$name/before/$file" "$work/$name/after/$file" | head -n 6 >&2 || true
      status=1
    fi
  done
  runs=$((runs + 1))
}

for scenario in "$root"/scenarios/*.scn "$root"/tests/e2e/scenarios/*.scn; do
  label=example-$(basename "$scenario" .scn)
  case $scenario in "$root"/tests/*) label=test-$(basename "$scenario" .scn) ;; esac
  for set in none reel ports all; do
    run "$label-$set" "$scenario" --duration 30 --every 0.1 --keys "${keys[$set]}"
  done
  # The second vessel of the list deleted while tied.
  second=$(awk '/^BEGIN_SHIPS/ { ships = 1; next } ships && /^[^ ;]/ && !/^END/ { if (++n == 2) { sub(/:.*/, ""); print; exit } }' "$scenario")
  if [ -n "$second" ]; then
    run "$label-delete" "$scenario" --duration 20 --every 0.5 --keys "${keys[reel]}" --delete "10:$second"
  fi
done
# Long runs: the demo's hour, the eight turning tethers for ten minutes, the other host's way of
# stepping the module.
demo=$("$build/bench/bare-loop" --keys 2>/dev/null || echo "0:MINUS,0.02:A,0.04:J,3:I,6:I,9:I,12:I,15:I,18:I,437:O")
run tug-hour "$root/scenarios/tug.scn" --duration 3600 --every 1 --keys "$demo"
run eight-long "$root/scenarios/eight.scn" --duration 600 --every 1
run iss-modern "$root/scenarios/iss.scn" --duration 120 --every 0.5 --host modern --keys "${keys[reel]}"

if [ "$status" -eq 0 ]; then
  echo "same-results: $runs runs of $(ls "$root"/scenarios/*.scn "$root"/tests/e2e/scenarios/*.scn | wc -l) scenarios" \
    "write the same tethers and vessels CSV files, screens, saved scenarios and messages with $build as with $ref"
fi
exit "$status"
