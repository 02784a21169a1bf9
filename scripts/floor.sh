#!/usr/bin/env bash
# How far a whole kestrane-sim run is above the floor: the bare loop (bench/BareLoop.cpp), the
# same two-body reel-in with no host and no module, against the whole process of
#   kestrane-sim run scenarios/tug.scn --duration 3600 --dt 0.02 --keys 0:MINUS,0:A,0:J,1:I
# without CSV files and with both CSV files sampled every second.
#
#   scripts/floor.sh [--runs N] [--duration S]     (default: 11 runs of 3600 simulated seconds)
#
# Builds in release mode (build/release), checks that the bare loop ends in the same state as the
# run, then runs the three commands in turn, N times, each timed from process start to exit, and
# prints the median wall times and the ratios of the medians. Absolute times move with the machine
# and its load (printed first); the ratios, taken in one call, are the figures to compare.
set -euo pipefail

runs=11 duration=3600
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=${2:?--runs needs a number}; shift 2 ;;
    --duration) duration=${2:?--duration needs seconds}; shift 2 ;;
    *) echo "floor.sh: unknown argument '$1' (usage: scripts/floor.sh [--runs N] [--duration S])" >&2; exit 2 ;;
  esac
done
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "floor.sh: --runs needs a positive whole number, not '$runs'" >&2; exit 2; }
[[ "$duration" =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "floor.sh: --duration needs seconds, not '$duration'" >&2; exit 2; }

cd "$(dirname "$0")/.."
build=build/release
bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRANE_TESTS=OFF >/dev/null
cmake --build "$build" --target kestrane-sim kestrane bare-loop -j "$(nproc)" >/dev/null

agreement=$(bash bench/check-bare-loop.sh "$build/bench/bare-loop" "$build/kestrane-sim" "$build/kestrane.so" \
  scenarios/tug.scn "$duration") || { echo "$agreement" >&2; exit 1; }
echo "${agreement%%$'\n'*}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
bare=("$build/bench/bare-loop" "$duration" 0.02)
run=("$build/kestrane-sim" run scenarios/tug.scn --plugin "$build/kestrane.so" --duration "$duration" --dt 0.02
  --keys 0:MINUS,0:A,0:J,1:I --quiet)
csv=(--tethers "$scratch/tethers.csv" --vessels "$scratch/vessels.csv" --every 1)

# Microseconds of wall time of one command, from the shell's clock (no process of its own).
elapsed() {
  local start=${EPOCHREALTIME/./}
  "$@" >/dev/null
  echo $((${EPOCHREALTIME/./} - start))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)," \
  "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
echo "== $runs runs of each in turn, $duration simulated seconds at 0.02 s"
: >"$scratch/bare" && : >"$scratch/run" && : >"$scratch/csv"
"${bare[@]}" >/dev/null && "${run[@]}" && "${run[@]}" "${csv[@]}"  # warm the caches
for ((i = 0; i < runs; ++i)); do
  elapsed "${bare[@]}" >>"$scratch/bare"
  elapsed "${run[@]}" >>"$scratch/run"
  elapsed "${run[@]}" "${csv[@]}" >>"$scratch/csv"
done

b=$(median <"$scratch/bare") r=$(median <"$scratch/run") c=$(median <"$scratch/csv")
awk -v b="$b" -v r="$r" -v c="$c" -v rows="$(($(wc -l <"$scratch/tethers.csv") + $(wc -l <"$scratch/vessels.csv") - 2))" 'BEGIN {
  printf "%-44s %9.1f ms\n", "bare loop", b / 1000
  printf "%-44s %9.1f ms  %6.1f x the bare loop\n", "kestrane-sim run, no CSV", r / 1000, r / b
  printf "%-44s %9.1f ms  %6.1f x the bare loop\n", "kestrane-sim run, both CSV files every second", c / 1000, c / b
  printf "(median wall times; the CSV files hold %d rows)\n", rows
}'
