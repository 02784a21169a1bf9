#!/usr/bin/env bash
# How far a whole kestrane-sim run is above the floor: the bare loop (bench/BareLoop.cpp), the
# same two-body reel-in with no host and no module, against the whole process of
#   kestrane-sim run scenarios/tug.scn --duration 3600 --dt 0.02 --keys KEYS
# (KEYS: the demo's, as `bare-loop --keys` prints them) without CSV files and with both CSV files
# sampled every second.
#
#   scripts/floor.sh [--runs N] [--duration S] [--sim DIR]
#
# (default: 11 runs of 3600 simulated seconds). With --sim, the kestrane-sim and kestrane.so of
# another build tree DIR (say, an older commit's release build) are timed against this tree's bare
# loop, so that two versions of the host can be compared with the same floor.
#
# Builds in release mode (build/release), checks that the bare loop ends in the same state as the
# run, then runs the three commands in turn, N times, each timed from process start to exit, and
# prints the median wall times and the ratios of the medians, and the mean processor times (less
# disturbed by other load on the machine, but counted by the shell in whole milliseconds). Absolute times move with the machine
# and its load (printed first); the ratios, taken in one call, are the figures to compare.
set -euo pipefail

runs=11 duration=3600 sim=
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=${2:?--runs needs a number}; shift 2 ;;
    --duration) duration=${2:?--duration needs seconds}; shift 2 ;;
    --sim) sim=$(cd "${2:?--sim needs a build tree}" && pwd); shift 2 ;;
    *) echo "floor.sh: unknown argument '$1' (usage: scripts/floor.sh [--runs N] [--duration S] [--sim DIR])" >&2; exit 2 ;;
  esac
done
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "floor.sh: --runs needs a positive whole number, not '$runs'" >&2; exit 2; }
[[ "$duration" =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "floor.sh: --duration needs seconds, not '$duration'" >&2; exit 2; }

cd "$(dirname "$0")/.."
build=build/release
bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRANE_TESTS=OFF >/dev/null
cmake --build "$build" --target kestrane-sim kestrane bare-loop -j "$(nproc)" >/dev/null
sim=${sim:-$build}
for file in "$sim/kestrane-sim" "$sim/kestrane.so"; do
  [ -f "$file" ] || { echo "floor.sh: $file is missing" >&2; exit 2; }
done

agreement=$(bash bench/check-bare-loop.sh "$build/bench/bare-loop" "$sim/kestrane-sim" "$sim/kestrane.so" \
  scenarios/tug.scn "$duration") || { echo "$agreement" >&2; exit 1; }
echo "${agreement%%$'\n'*}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
bare=("$build/bench/bare-loop" "$duration" 0.02)
run=("$sim/kestrane-sim" run scenarios/tug.scn --plugin "$sim/kestrane.so" --duration "$duration" --dt 0.02
  --keys "$("$build/bench/bare-loop" --keys)" --quiet)
csv=(--tethers "$scratch/tethers.csv" --vessels "$scratch/vessels.csv" --every 1)

# Microseconds of wall time of one command, from the shell's clock (no process of its own).
elapsed() {
  local start=${EPOCHREALTIME/./}
  "$@" >/dev/null
  echo $((${EPOCHREALTIME/./} - start))
}
# Sets variable $1 to the milliseconds of processor time (user and system) of every finished child
# of this shell so far; `times` runs in this shell, not in a subshell of its own.
cpu() {
  times >"$scratch/times"
  printf -v "$1" '%s' "$(awk 'NR == 2 { for (i = 1; i <= 2; ++i) { split($i, t, /[ms]/); ms += (t[1] * 60 + t[2]) * 1000 } print ms }' "$scratch/times")"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)," \
  "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
echo "== $runs runs of each in turn, $duration simulated seconds at 0.02 s, kestrane-sim of $sim"
: >"$scratch/bare" && : >"$scratch/run" && : >"$scratch/csv"
"${bare[@]}" >/dev/null && "${run[@]}" && "${run[@]}" "${csv[@]}"  # warm the caches
bareCpu=0 runCpu=0 csvCpu=0
for ((i = 0; i < runs; ++i)); do
  cpu before
  elapsed "${bare[@]}" >>"$scratch/bare"
  cpu middle
  elapsed "${run[@]}" >>"$scratch/run"
  cpu after
  elapsed "${run[@]}" "${csv[@]}" >>"$scratch/csv"
  cpu last
  bareCpu=$(awk -v s="$bareCpu" -v a="$before" -v b="$middle" 'BEGIN { print s + b - a }')
  runCpu=$(awk -v s="$runCpu" -v a="$middle" -v b="$after" 'BEGIN { print s + b - a }')
  csvCpu=$(awk -v s="$csvCpu" -v a="$after" -v b="$last" 'BEGIN { print s + b - a }')
done

b=$(median <"$scratch/bare") r=$(median <"$scratch/run") c=$(median <"$scratch/csv")
awk -v b="$b" -v r="$r" -v c="$c" -v bc="$bareCpu" -v rc="$runCpu" -v cc="$csvCpu" -v n="$runs" \
  -v rows="$(($(wc -l <"$scratch/tethers.csv") + $(wc -l <"$scratch/vessels.csv") - 2))" 'BEGIN {
  printf "%-46s %13s %13s\n", "", "median wall", "mean CPU"
  printf "%-46s %10.1f ms %10.1f ms\n", "bare loop", b / 1000, bc / n
  printf "%-46s %10.1f ms %10.1f ms   %5.1f x (CPU %4.1f x) the bare loop\n", "kestrane-sim run, no CSV", r / 1000, rc / n, r / b, rc / bc
  printf "%-46s %10.1f ms %10.1f ms   %5.1f x (CPU %4.1f x) the bare loop\n", "kestrane-sim run, both CSV files every second", c / 1000, cc / n, c / b, cc / bc
  printf "(wall: process start to exit, the ratio of the medians; CPU: user and system time; the CSV files hold %d rows)\n", rows
}'
