#!/usr/bin/env bash
# Tethers survive a save in the real host whether a display of the mode is open or not. The tug's
# tether is tied and reeled by keys; the host saves the scenario as the run ends, once with the
# Kestrane display open and once after the display was switched off (its Escape key); each saved
# file is run again, the first with displays, the second headless, and the tether must be there as
# it was saved: tied between the same vessels, as long, with the same force, reel and attach points,
# each number as the module reads it back, in single precision (within half a unit of a float's
# last place, and the six decimals the host writes).
#
#   realhost/tests/SaveAndReload.sh OUT_DIR      (KESTRANE_REAL_HOST_BUILD set)
set -euo pipefail
out=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
failures=0
fail() {
  echo "reload: $*" >&2
  failures=$((failures + 1))
}

# The block's line for a field of link 0 in a saved scenario, without its name.
saved() { tr -d '\r' <"$1" | awk -v field="$2" '/^BEGIN_Kestrane/ { inside = 1 } inside && $1 == "TetherData" && $2 == 0 && $3 == field { $1 = $2 = $3 = ""; sub(/^ +/, ""); print; exit }'; }

keys="0:MINUS,0.02:A,0.04:J,3:I,6:I"
for display in open closed; do
  runKeys=$keys
  [ "$display" = open ] || runKeys="$keys,8:ESCAPE"
  "$root/scripts/real-host.sh" run "$root/scenarios/tug.scn" --duration 10 --keys "$runKeys" --out "$out/$display" >/dev/null
  file=$out/$display/end.scn
  if [ "$display" = open ]; then
    grep -q '^  MODE Kestrane' "$file" || fail "the scenario saved with the display open has no display of the mode"
  else
    ! grep -q '^  MODE Kestrane' "$file" || fail "the display switched off is still saved"
  fi
  grep -q '^BEGIN_Kestrane' "$file" || fail "the scenario saved with the display $display has no BEGIN_Kestrane block"
  [ "$(saved "$file" CONNECT)" = 1 ] || fail "the scenario saved with the display $display holds no tied tether"

  # Run again: with displays where one was saved open, headless where none was.
  cp "$file" "$out/$display-saved.scn"
  options=()
  [ "$display" = closed ] || options=(--displays)
  "$root/scripts/real-host.sh" run "$out/$display-saved.scn" --duration 2 "${options[@]}" --out "$out/$display-reloaded" >/dev/null
  first=$(awk -F, '$1 == 0 && $2 == 0' "$out/$display-reloaded/tethers.csv")
  IFS=, read -r _ _ connected ship1 ship2 length _ _ _ force reel spool <<<"$first"
  [ "$connected $ship1 $ship2 $spool" = "1 Tug Pod $(saved "$file" SpoolMode)" ] ||
    fail "the display $display: reloaded as '$first'"
  for pair in "Length $length" "Force $force" "ReelSpeed $reel"; do
    set -- $pair
    awk -v a="$2" -v b="$(saved "$file" "$1")" 'BEGIN { d = a - b; if (d < 0) d = -d; m = b < 0 ? -b : b
                                                        exit !(b != "" && d <= m * 2^-24 + 1e-6) }' ||
      fail "the display $display: $1 reloaded as $2, saved as $(saved "$file" "$1")"
  done
  # The attach points, as the host saves the block again at the end of the second run.
  for field in Attach1 Attach2; do
    [ "$(saved "$out/$display-reloaded/end.scn" $field)" = "$(saved "$file" $field)" ] ||
      fail "the display $display: $field reloaded as '$(saved "$out/$display-reloaded/end.scn" $field)', saved as '$(saved "$file" $field)'"
  done
done
[ "$failures" -eq 0 ] || exit 1
echo "reload: the tether saved with the display open and with it closed is tied again as it was saved"
