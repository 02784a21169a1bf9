#!/usr/bin/env bash
# Checks that the bare loop ends where kestrane-sim run ends on the tug scenario with the keys the
# bare loop names (the demo's): the last rows of the vessels file and link 0's last row of the
# tethers file, as text. Both do the same arithmetic in the same order, so the numbers agree to
# the last bit.
#
#   bench/check-bare-loop.sh BARE_LOOP KESTRANE_SIM MODULE TUG_SCENARIO [DURATION]
set -euo pipefail
bare=$1 sim=$2 module=$3 scenario=$4 duration=${5:-3600}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$sim" run "$scenario" --plugin "$module" --duration "$duration" --dt 0.02 --keys "$("$bare" --keys)" \
  --tethers "$dir/tethers.csv" --vessels "$dir/vessels.csv" --every "$duration" --quiet
{ tail -n 2 "$dir/vessels.csv"; grep -E '^[^,]*,0,' "$dir/tethers.csv" | tail -n 1; } >"$dir/run.txt"
"$bare" "$duration" 0.02 >"$dir/bare.txt"
if ! diff "$dir/run.txt" "$dir/bare.txt" >"$dir/diff.txt"; then
  echo "the bare loop's end state differs from kestrane-sim run's (< run, > bare loop):"
  cat "$dir/diff.txt"
  exit 1
fi
echo "the bare loop ends where kestrane-sim run ends, after $duration s:"
cat "$dir/bare.txt"
