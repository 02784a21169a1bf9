#!/usr/bin/env bash
# Builds the libFuzzer programs (clang, AddressSanitizer, UBSan) in build/fuzz and runs them.
#
#   scripts/fuzz.sh [TARGET...] [--time SECONDS] [--ci]
#
# TARGET is BlockReader, ScenarioFile or Actions (default: all three); each runs for SECONDS
# (default 60; --ci: 20) on a scratch copy of fuzz/corpus/TARGET, so the committed seeds are not
# grown by a run, after replaying every input kept in fuzz/regressions/TARGET. Stops with status 1
# at the first crash, leak, timeout, out-of-memory or sanitizer report, naming the target and the
# input that caused it (kept under build/fuzz/artifacts/TARGET). Status 2: bad arguments.
# ScenarioFile also starts from the host's own stock scenarios and class files, where a host tree
# lies beside the checkout (HOST_SAMPLE, default ../shared/orbitersdk/host-sample).
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(BlockReader ScenarioFile Actions)
seconds=60
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --time)
      [ $# -ge 2 ] && [[ "$2" =~ ^[0-9]+$ ]] && [ "$2" -gt 0 ] || { echo "fuzz: --time needs a whole number of seconds above 0" >&2; exit 2; }
      seconds=$2
      shift 2
      ;;
    --ci) seconds=20; shift ;;
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz: unknown option '$1'" >&2; exit 2 ;;
    *)
      [[ " ${all_targets[*]} " == *" $1 "* ]] || { echo "fuzz: unknown target '$1' (${all_targets[*]})" >&2; exit 2; }
      targets+=("$1")
      shift
      ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

bash scripts/install-deps.sh

build=build/fuzz
echo "== building $build"
cmake --preset fuzz >/dev/null
cmake --build "$build" --target fuzz_programs -j 2 >/dev/null

# Longest input per target, bytes: room above the largest seed.
max_len() {
  case "$1" in
    BlockReader) echo 4096 ;;
    ScenarioFile) echo 8192 ;;
    Actions) echo 1024 ;;
  esac
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Ends the script when a run went wrong: a non-zero status, or a sanitizer report in its log.
check_run() {
  local target=$1 status=$2 log=$3 what=$4
  if [ "$status" -eq 0 ] && ! grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
    return 0
  fi
  echo "fuzz: $target FAILED ($what, status $status)" >&2
  grep -E 'ERROR:|runtime error:|fuzz check failed:|SUMMARY:' "$log" | head -5 >&2 || true
  local input
  input=$(grep -oE '(Test unit written to|Running:) [^ ]+' "$log" | tail -1 | sed -E 's/^(Test unit written to|Running:) //' || true)
  [ -n "$input" ] && echo "fuzz: $target: the input is $input" >&2
  cp "$log" "$build/artifacts/$target/last.log"
  echo "fuzz: $target: the whole log is $build/artifacts/$target/last.log" >&2
  exit 1
}

for target in "${targets[@]}"; do
  program="$build/fuzz/${target}_fuzz"
  artifacts="$build/artifacts/$target"
  mkdir -p "$artifacts"
  options=(-timeout=10 -rss_limit_mb=2048 -max_len="$(max_len "$target")" -artifact_prefix="$artifacts/")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")

  regressions=(fuzz/regressions/"$target"/*)
  if [ -e "${regressions[0]}" ]; then
    echo "== $target: replaying ${#regressions[@]} regression inputs"
    status=0
    "$program" "${options[@]}" "${regressions[@]}" >"$scratch/$target.replay.log" 2>&1 || status=$?
    check_run "$target" "$status" "$scratch/$target.replay.log" "a regression input"
  fi

  echo "== $target: fuzzing for $seconds s"
  corpus="$scratch/$target"
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  host_sample=${HOST_SAMPLE:-../shared/orbitersdk/host-sample}
  if [ "$target" = ScenarioFile ] && [ -d "$host_sample/Scenarios" ]; then
    n=0
    for seed in "$host_sample"/Scenarios/*.scn "$host_sample"/Config/Vessels/*.cfg; do
      [ -f "$seed" ] && cp "$seed" "$corpus/host-$((n += 1))"
    done
    echo "   with $n of the host's files from $host_sample"
  fi
  status=0
  "$program" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 "$corpus" \
    >"$scratch/$target.log" 2>&1 || status=$?
  check_run "$target" "$status" "$scratch/$target.log" "fuzzing"

  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$target.log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$scratch/$target.log")
  last=$(grep -E '^#[0-9]+' "$scratch/$target.log" | tail -1)
  cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$last")
  ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$last")
  corp=$(sed -nE 's/.* corp: ([0-9]+).*/\1/p' <<<"$last")
  echo "$target: ${executions:-?} executions, ${rate:-?} exec/s, cov ${cov:-?}, ft ${ft:-?}, corpus ${corp:-?}, no failure"
done
