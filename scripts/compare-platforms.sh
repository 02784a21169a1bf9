#!/usr/bin/env bash
# Runs every example scenario with the same keys through the Linux kestrane-sim and through the
# 32-bit Windows kestrane-sim under Wine, and compares what they write: the tether and vessel CSV
# files and the saved scenario number by number (each within 1e-9 relative, other fields exactly),
# and the display's text screen exactly.
#
#   scripts/compare-platforms.sh [LINUX_BUILD] [WINDOWS_BUILD]   (default: build/linux build/windows)
#
# Both builds must already contain kestrane-sim and the plug-in (scripts/test.sh builds them).
# With KEEP=1 the runs' files are kept and their folder is named.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

linux=$(cd "${1:-build/linux}" && pwd)
windows=$(cd "${2:-build/windows}" && pwd)
for file in "$linux/kestrane-sim" "$linux/kestrane.so" "$windows/kestrane-sim.exe" "$windows/Kestrane.dll"; do
  [ -f "$file" ] || { echo "compare-platforms: $file is missing; build both platforms first" >&2; exit 2; }
done

duration=20
every=0.5
# Target the next vessel, take the setup length from the distance, connect, reel in, speed up,
# change the stiffness, then stop the reel.
keys="0:MINUS,0:A,0:J,2:I,4:I,6:APOSTROPHE,9:O"

work=$(mktemp -d)
if [ -n "${KEEP:-}" ]; then
  echo "compare-platforms: the runs' files stay in $work"
else
  trap 'rm -rf "$work"' EXIT
fi

# Compares two files line by line, fields split at blanks and commas. Numbers agree when they differ
# by at most 1e-9 of the larger magnitude; anything else must be equal. Line ends may differ.
compare() {
  awk -v other="$2" -v tolerance=1e-9 '
    function number(s) { return s ~ /^[-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?$/ }
    function magnitude(x) { return x < 0 ? -x : x }
    {
      sub(/\r$/, "")
      if ((getline theirs < other) <= 0) { printf "%s:%d: no such line in %s\n", FILENAME, FNR, other; bad = 1; exit }
      sub(/\r$/, "", theirs)
      n = split($0, a, /[ ,]/)
      m = split(theirs, b, /[ ,]/)
      if (n != m) { printf "%s:%d: %d fields, %d in the other\n  %s\n  %s\n", FILENAME, FNR, n, m, $0, theirs; bad = 1; next }
      for (i = 1; i <= n; i++) {
        if (a[i] == b[i]) continue
        if (number(a[i]) && number(b[i])) {
          x = a[i] + 0; y = b[i] + 0
          larger = magnitude(x) > magnitude(y) ? magnitude(x) : magnitude(y)
          if (magnitude(x - y) <= tolerance * larger) continue
        }
        printf "%s:%d: field %d: %s against %s\n", FILENAME, FNR, i, a[i], b[i]
        bad = 1
        if (++reported >= 10) exit
      }
    }
    END {
      if (!bad && (getline theirs < other) > 0) { printf "%s: %s has more lines\n", FILENAME, other; bad = 1 }
      exit bad
    }' "$1"
}

status=0
count=0
for scenario in "$root"/scenarios/*.scn; do
  name=$(basename "$scenario" .scn)
  mkdir -p "$work/$name/linux" "$work/$name/windows"
  args=(run "$scenario" --duration "$duration" --every "$every" --keys "$keys" --quiet
        --tethers tethers.csv --vessels vessels.csv --screen screen.txt --save saved.scn)
  (cd "$work/$name/linux" && "$linux/kestrane-sim" "${args[@]}" --plugin "$linux/kestrane.so")
  (cd "$work/$name/windows" &&
    "$root/cmake/wine-run.sh" "$windows/wineprefix" "$windows/kestrane-sim.exe" "${args[@]}" --plugin "$windows/Kestrane.dll")
  for file in tethers.csv vessels.csv saved.scn; do
    if ! (cd "$work/$name" && compare "linux/$file" "windows/$file"); then
      echo "compare-platforms: $name: $file differs between Linux and Windows" >&2
      status=1
    fi
  done
  if ! cmp -s <(tr -d '\r' <"$work/$name/linux/screen.txt") <(tr -d '\r' <"$work/$name/windows/screen.txt"); then
    echo "compare-platforms: $name: the display's screen differs between Linux and Windows" >&2
    diff <(tr -d '\r' <"$work/$name/linux/screen.txt") <(tr -d '\r' <"$work/$name/windows/screen.txt") >&2 || true
    status=1
  fi
  count=$((count + 1))
done

if [ "$status" -eq 0 ]; then
  echo "compare-platforms: $count scenarios agree on Linux and Windows (tethers, vessels, saved scenario to 1e-9; screen exactly)"
fi
exit "$status"
