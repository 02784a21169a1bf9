#!/usr/bin/env bash
# The benchmarks, in a release build: every bench/*_bench program, the ratios that matter, and
# the whole-process time of an hour of the tug scenario.
#
#   scripts/bench.sh [OUTPUT_DIR]     (default: out/bench)
#
# Builds in build/release, runs each program with 5 repetitions (medians are reported) and
# writes each program's JSON report to OUTPUT_DIR. Then prints:
#   - the 8-link registry step against the bare kernel (the floor), and 3000 vessels against 2;
#   - kestrane-sim run on scenarios/tug.scn for 3600 s at a 0.02 s step with both CSV files
#     sampled every second: the best wall time of 5 runs and how much faster than real time;
#   - the replay page's size, time to ready and frame rate (viewer/bench/replay.mjs).
set -euo pipefail

out=${1:-out/bench}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$(dirname "$0")/.."
build=build/release

bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRANE_TESTS=OFF -DKESTRANE_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
for program in "$build"/bench/*_bench; do
  name=$(basename "$program")
  echo "== $name"
  "$program" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/$name.json" --benchmark_out_format=json | grep -E '_median|^Benchmark|^---' || true
done

# The median CPU time (ns) of one benchmark from a program's JSON report.
median() {
  awk -v want="\"$2_median\"," '
    $1 == "\"name\":" { name = $2 }
    $1 == "\"cpu_time\":" && name == want { sub(",", "", $2); print $2; exit }' "$out/$1.json"
}
# "A / B = RATIO (A ns / B ns)".
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f  (%.0f ns / %.0f ns)\n", a / b, a, b }'; }

registry=$(median Registry_bench BM_RegistryStep/links:8)
kernel=$(median Registry_bench BM_TensionKernel)
few=$(median Registry_bench BM_RegistryStepAmongVessels/vessels:2)
many=$(median Registry_bench BM_RegistryStepAmongVessels/vessels:3000)
echo "== ratios"
echo "8-link registry step / bare kernel:   $(ratio "$registry" "$kernel")"
echo "8 links among 3000 / among 2 vessels: $(ratio "$many" "$few")"

echo "== kestrane-sim run: tug scenario, 3600 s at 0.02 s, CSV every 1 s (best of 5)"
best=
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  "$build/kestrane-sim" run scenarios/tug.scn --plugin "$build/kestrane.so" --duration 3600 --dt 0.02 \
    --keys 0:MINUS,0.02:A,0.04:J,1:I --tethers "$out/tug-hour-tethers.csv" --vessels "$out/tug-hour-vessels.csv" \
    --every 1 --quiet
  took=$(( $(date +%s%N) - start ))
  if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
done
awk -v ns="$best" 'BEGIN { printf "%.3f s wall: %.0f times faster than real time\n", ns / 1e9, 3600 / (ns / 1e9) }'

# The replay page: an hour of eight tethers at the default sampling (size, time to ready in
# headless Chromium) and the frame rate of playback with 100 vessels and 8 tethers.
if [ -f "$build/viewer/replay-template.html" ] && command -v chromium >/dev/null; then
  echo "== replay page (viewer/bench/replay.mjs)"
  node viewer/bench/replay.mjs "$build/kestrane-sim" "$build/kestrane.so" "$out/replay"
fi
