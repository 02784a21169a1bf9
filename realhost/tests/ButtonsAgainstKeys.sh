#!/usr/bin/env bash
# The display's labelled buttons in the real host, clicked through the host (oapiProcessMFDButton,
# the host turning the pages with F2), against the keys they carry: the tug's demo worked once by
# keys and once by the buttons of both pages draws the same display at every redraw and moves the
# same tethers. And the host's button menu (the grave accent, again for its second page, a third
# time to close it) lists each page's entries as kestrane-sim's menu does, down each side in the same
# order; the two displays' sizes place the sides' lines on rows of their own.
#
#   realhost/tests/ButtonsAgainstKeys.sh OUT_DIR [SIM_BUILD]      (KESTRANE_REAL_HOST_BUILD set)
set -euo pipefail
out=$1
sim=${2:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
scenario=$root/scenarios/tug.scn
failures=0
fail() {
  echo "buttons: $*" >&2
  failures=$((failures + 1))
}

# Page 1: CON DIS IN OUT SPL LEN down the left (BTN1-6), TG+ TG- TH- TH+ TF- TF+ down the right
# (BTN7-12); page 2: OCG ODK OAP OD+ SL- SL+, TCG TDK TAP TD+ SF- SF+.
keys="0:MINUS,0.02:A,0.04:J,3:I,6:I,12:LBRACKET,15:APOSTROPHE,18:O,21:2,24:5,27:K"
buttons="0:BTN7,0.02:BTN6,0.04:BTN1,3:BTN3,6:BTN3,11:F2,12:BTN5,15:BTN12,17:F2,18:BTN4,20:F2,21:BTN2,24:BTN8,26:F2,27:BTN11"
"$root/scripts/real-host.sh" run "$scenario" --duration 30 --keys "$keys" --out "$out/keys" >/dev/null
"$root/scripts/real-host.sh" run "$scenario" --duration 30 --keys "$buttons" --out "$out/buttons" >/dev/null
for file in screens.txt tethers.csv vessels.csv; do
  cmp -s "$out/keys/$file" "$out/buttons/$file" ||
    fail "the buttons' run differs from the keys' in $file: $(diff "$out/keys/$file" "$out/buttons/$file" | head -n 3 | tr '\n' ' ')"
done
# The keys did what they say: the setup length a fifth shorter, the setup force a fifth higher, both
# attach points at docking ports, the tether's force a fifth lower.
last=$(awk '/^display 0 at /{n = 0; delete rows; next} {rows[++n] = $0} END {for (i = 1; i <= n; i++) print rows[i]}' \
  "$out/keys/screens.txt")
for row in "This Ship   : Tug at Dock: 0" "Target Ship : Pod at Dock: 0" "Length      : 1200.0 m" \
  "Force       : 2400.0 N@1%" "Force    : 1600.0 N@1%" "Reel     : 0.00 m/sec"; do
  grep -qxF "$row" <<<"$last" || fail "the last redraw lacks '$row'"
done

# The menu: its first page at 1 s, its second at 1.5 s, closed again at 2 s. The host draws a page
# as the key comes (the second page twice over, as it turns the page and shows the menu), and the
# first page once more as it closes the menu: at each time its last drawing is the menu shown.
"$root/scripts/real-host.sh" run "$scenario" --duration 3 --keys "1:GRAVE,1.5:GRAVE,2:GRAVE" --out "$out/menu" >/dev/null
awk -v dir="$out/menu" '
  rows > 0 { rows--; print > file; next }
  /^display 0 at / { rows = $6; if ($4 != time) n++; time = $4; times[n] = time; if (file != "") close(file)
                     file = sprintf("%s/host-%d.txt", dir, n); printf "" > file }
  END { for (i = 1; i <= n; i++) print i, times[i] > (dir "/drawn") }
' "$out/menu/screens.txt"
menuTimes=$(awk -v dir="$out/menu" '{ getline first < (dir "/host-" $1 ".txt"); close(dir "/host-" $1 ".txt")
                                         if (first == "MFD MENU") print $2 }' "$out/menu/drawn")
[ "$menuTimes" = "$(printf '1\n1.5\n2')" ] || fail "the host drew menus at $(echo $menuTimes), not at 1, 1.5 and 2 s"
after=$(awk '$2 == "2.02" { print $1 }' "$out/menu/drawn")
[ -n "$after" ] && [ "$(head -n 1 "$out/menu/host-$after.txt")" = Kestrane ] || fail "the display is not back at 2.02 s"
# A menu's lines down each side: a line that starts in the first column is the left side's, the
# rest of it (after two blanks or more) or a line that starts further in the right side's.
sides() {
  awk 'NR == 1 { print "title: " $0; next }
       { row = $0; if (row ~ /^[^ ]/) { split(row, part, /  +/); print "left: " part[1]; sub(/^[^ ]+( [^ ]+)*/, "", row) }
         sub(/^ +/, "", row); if (row != "") print "right: " row }' "$1" | sort -s -t: -k1,1
}
if [ -n "$sim" ]; then
  # The host draws a menu as the key comes, at the frame's start; kestrane-sim shows it until the
  # next key, so its screen a frame later is the same menu.
  for t in 1 1.5; do
    n=$(awk -v t="$t" '$2 == t { print $1 }' "$out/menu/drawn")
    "$sim/kestrane-sim" run "$scenario" --until "$(awk -v t="$t" 'BEGIN { printf "%.17g", t + 0.02 }')" \
      --keys "1:GRAVE,1.5:GRAVE,2:GRAVE" --plugin "$sim/kestrane.so" --screen "$out/menu/sim-$t.txt" --quiet
    diff <(sides "$out/menu/host-$n.txt") <(sides "$out/menu/sim-$t.txt") >"$out/menu/differences-$t.txt" ||
      fail "the menu at $t s differs from kestrane-sim's: $(head -n 4 "$out/menu/differences-$t.txt" | tr '\n' ' ')"
  done
fi
first=$(awk '$2 == "1" { print $1 }' "$out/menu/drawn")
grep -q '\[LShift-J\]' "$out/menu/host-$first.txt" 2>/dev/null || fail "the first menu page has no entry for the key J"

[ "$failures" -eq 0 ] || exit 1
echo "buttons: the buttons of both pages did what their keys do in the real host, and its menu is kestrane-sim's"
