#!/usr/bin/env bash
# The rules by which realhost/CompareRuns.awk passes or fails a comparison, on small runs made up
# here: two vessels (Tug and Pod) on link 0, sampled at 0, 1 and 2 s.
#
#   realhost/tests/CompareRunsRules.sh [AWK]      (default: awk)
set -euo pipefail
awk=${1:-awk}
compare=$(cd "$(dirname "$0")/.." && pwd)/CompareRuns.awk
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0

# A run in folder $1: the pod's x at 2 s is 1000 + $2, its reel speed at the end $3 (default -0.5),
# its spool mode $4 (default 0, the powered reel).
make_run() {
  local run=$dir/$1 podX=$2 reel=${3:--0.5} spool=${4:-0}
  mkdir -p "$run"
  {
    echo "time,name,x,y,z,vx,vy,vz"
    for t in 0 1 2; do
      x=1000
      [ "$t" != 2 ] || x=$(awk -v d="$podX" 'BEGIN { printf "%.17g", 1000 + d }')
      echo "$t,Tug,0,0,0,0,0,0"
      echo "$t,Pod,$x,0,0,0,0,0"
    done
  } >"$run/vessels.csv"
  {
    echo "time,link,connected,ship1,ship2,length,distance,stretch,pull,force,reel_speed,spool_mode"
    for t in 0 1 2; do
      echo "$t,0,1,Tug,Pod,1000,1000,100,0,2000,$reel,$spool"
      for link in 1 2 3 4 5 6 7; do echo "$t,$link,0,,,0,0,0,0,0,0,0"; done
    done
  } >"$run/tethers.csv"
}

# expect PASS|FAIL WHAT REAL SIM [REAL_HALF SIM_HALF] [TEXT the error must hold] [REAL_QUARTER SIM_QUARTER]
expect() {
  local want=$1 what=$2 real=$3 sim=$4 realHalf=${5:-} simHalf=${6:-} text=${7:-} realQuarter=${8:-} simQuarter=${9:-}
  local status=0
  "$awk" -v name=case -v real="$dir/$real" -v sim="$dir/$sim" -v realHalf="${realHalf:+$dir/$realHalf}" \
    -v simHalf="${simHalf:+$dir/$simHalf}" -v realQuarter="${realQuarter:+$dir/$realQuarter}" \
    -v simQuarter="${simQuarter:+$dir/$simQuarter}" -v check=1 -f "$compare" >"$dir/out.txt" 2>"$dir/err.txt" || status=$?
  local got=PASS
  [ "$status" -eq 0 ] || got=FAIL
  if [ "$got" != "$want" ] || { [ -n "$text" ] && ! grep -qF "$text" "$dir/err.txt"; }; then
    echo "FAILED: $what: expected $want${text:+ saying '$text'}, got $got:"
    cat "$dir/out.txt" "$dir/err.txt"
    failures=$((failures + 1))
  fi
}

make_run same 0
make_run same2 0
make_run off 1             # the pod 1 m off at 2 s
make_run offHalf 0.5       # halving the step halves that: a difference of first order
make_run stuck 1           # halving the step leaves it: not the integrators'
make_run missing 0
sed -i '/^2,Pod,/d' "$dir/missing/vessels.csv"
make_run reel 0 -0.4
make_run notation 0 -0.5000004   # the host's six decimals of what kestrane-sim holds
make_run free 0 0.7 1            # free-spooling, the pull driving the reel
make_run freeOff 0 0.71 1        # at another speed the pull explains, as the halving says
make_run freeOffHalf 0 0.705 1
make_run freeStuck 0 0.71 1      # at another speed that does not shrink with the step

expect PASS "the same runs" same same2
expect FAIL "a metre apart, with nothing to explain it" off same "" "" "position differs by 1 at Pod at 2 s"
expect PASS "a metre apart that shrinks with the step" off same offHalf same
expect FAIL "a metre apart that does not shrink with the step" off same stuck same "position differs by 1"
expect PASS "a metre apart that stays at half the step and goes at a quarter" off same stuck same "" same same2
expect FAIL "a metre apart that stays at a quarter of the step too" off same stuck same "position differs by 1" stuck same
expect FAIL "a sample one run lacks" missing same "" "" "the real host has no row for Pod at 2 s"
expect FAIL "a tether that ends reeling at another speed" reel same "" "" "link 0 ends as"
expect PASS "a reel speed as the host writes it" notation same
expect PASS "a free-spooling reel's speed that shrinks with the step" freeOff free freeOffHalf free
expect FAIL "a free-spooling reel's speed that does not" freeOff free freeStuck free "free-spooling reel ends at 0.71"

if [ "$failures" -ne 0 ]; then
  echo "$failures cases failed"
  exit 1
fi
echo "every rule holds"
