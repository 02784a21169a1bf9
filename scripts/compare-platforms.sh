#!/usr/bin/env bash
# Runs every example scenario with the same keys through the Linux kestrane-sim and through Windows
# builds under Wine, and compares what they write: the tether and vessel CSV files and the saved
# scenario number by number (each within 1e-9 relative, or 1e-12 absolute, other fields exactly),
# the plug-in's block in the saved scenario and the display's text screen exactly.
#
#   scripts/compare-platforms.sh [LINUX_BUILD] [WINDOWS_BUILD...]   (default: build/linux build/windows)
#
# A Windows build is either the MinGW build (its kestrane-sim.exe and Kestrane.dll, the simulated
# host's own ABI) or a Visual C++ ABI build of the plug-in for the real host (its test host
# orbiter.exe with kestrane-core.dll beside it, and Kestrane.dll), 32- or 64-bit, which runs under
# Wine of its width. The test host also runs the tug scenario calling opcTimestep alone and both
# step callbacks, which must write exactly what opcPreStep alone wrote.
#
# Every build must already contain its programs and the plug-in (scripts/test.sh builds them).
# With KEEP=1 the runs' files are kept and their folder is named.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

linux=$(cd "${1:-build/linux}" && pwd)
shift || true
[ $# -gt 0 ] || set -- build/windows
for file in "$linux/kestrane-sim" "$linux/kestrane.so"; do
  [ -f "$file" ] || { echo "compare-platforms: $file is missing; build Linux first" >&2; exit 2; }
done

# The machine a PE file is built for: 014c (x86) or 8664 (x64).
pe_machine() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' '
}

# For each Windows build: its folder, program, Wine width and a name for its runs.
builds=()
for dir in "$@"; do
  dir=$(cd "$dir" && pwd)
  if [ -f "$dir/orbiter.exe" ]; then
    program=orbiter.exe
    [ -f "$dir/kestrane-core.dll" ] || { echo "compare-platforms: $dir has no kestrane-core.dll beside orbiter.exe" >&2; exit 2; }
  elif [ -f "$dir/kestrane-sim.exe" ]; then
    program=kestrane-sim.exe
  else
    echo "compare-platforms: $dir has neither kestrane-sim.exe nor orbiter.exe" >&2
    exit 2
  fi
  [ -f "$dir/Kestrane.dll" ] || { echo "compare-platforms: $dir/Kestrane.dll is missing" >&2; exit 2; }
  case $(pe_machine "$dir/$program") in
    8664) width=64 ;;
    014c) width=32 ;;
    *) echo "compare-platforms: $dir/$program is not a Windows program for x86 or x64" >&2; exit 2 ;;
  esac
  builds+=("$dir|$program|$width|$(basename "$dir")")
done

# Runs a Windows build's program under Wine in the current folder.
run_windows() {
  local dir=$1 program=$2 width=$3
  shift 3
  local wine=("$root/cmake/wine-run.sh")
  [ "$width" = 64 ] && wine+=(--64)
  "${wine[@]}" "$dir/wineprefix" "$dir/$program" "$@" --plugin "$dir/Kestrane.dll"
}

duration=20
every=0.5
# Target the next vessel, take the setup length from the distance, connect, reel in, speed up,
# change the stiffness, then stop the reel.
keys="0:MINUS,0.02:A,0.04:J,2:I,4:I,6:APOSTROPHE,9:O"

work=$(mktemp -d)
if [ -n "${KEEP:-}" ]; then
  echo "compare-platforms: the runs' files stay in $work"
else
  trap 'rm -rf "$work"' EXIT
fi

# Compares two files line by line, fields split at blanks and commas. Numbers agree when they differ
# by at most 1e-9 of the larger magnitude, or by at most 1e-12 (SI units): a component that is zero
# but for rounding, such as the out-of-plane position of a vessel that turns about an axis set by
# AROT 90, is a different 1e-22 m on each C library, which no relative tolerance can pair.
# Anything else must be equal. Line ends may differ.
compare() {
  awk -v other="$2" -v tolerance=1e-9 -v floor=1e-12 '
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
          if (magnitude(x - y) <= tolerance * larger || magnitude(x - y) <= floor) continue
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

same_text() { cmp -s <(tr -d '\r' <"$1") <(tr -d '\r' <"$2"); }
# The plug-in's blocks of a scenario file, the display blocks and the module's own: the lines the
# plug-in wrote.
display_blocks() {
  tr -d '\r' <"$1" |
    awk '/^BEGIN_(MFD|Kestrane$)/ { inside = 1 } inside { print } /^(END_MFD|END)$/ { inside = 0 }'
}

status=0
count=0
for scenario in "$root"/scenarios/*.scn; do
  name=$(basename "$scenario" .scn)
  mkdir -p "$work/$name/linux"
  args=(run "$scenario" --duration "$duration" --every "$every" --keys "$keys" --quiet
        --tethers tethers.csv --vessels vessels.csv --screen screen.txt --save saved.scn)
  (cd "$work/$name/linux" && "$linux/kestrane-sim" "${args[@]}" --plugin "$linux/kestrane.so")
  for build in "${builds[@]}"; do
    IFS='|' read -r dir program width label <<<"$build"
    out="$work/$name/$label"
    mkdir -p "$out"
    (cd "$out" && run_windows "$dir" "$program" "$width" "${args[@]}")
    for file in tethers.csv vessels.csv; do
      if ! (cd "$work/$name" && compare "linux/$file" "$label/$file"); then
        echo "compare-platforms: $name: $file differs between Linux and $label ($program)" >&2
        status=1
      fi
    done
    if ! same_text "$work/$name/linux/screen.txt" "$out/screen.txt"; then
      echo "compare-platforms: $name: screen.txt differs between Linux and $label ($program)" >&2
      diff <(tr -d '\r' <"$work/$name/linux/screen.txt") <(tr -d '\r' <"$out/screen.txt") >&2 || true
      status=1
    fi
    # The saved scenario: the plug-in's block exactly, the rest line by line with numbers to 1e-9.
    # The host's own numbers (positions, velocities, orientations) go through the C library's sine
    # and cosine, which on Windows and on Linux may differ in the last bit.
    if ! (cd "$work/$name" && compare linux/saved.scn "$label/saved.scn") ||
       ! cmp -s <(display_blocks "$work/$name/linux/saved.scn") <(display_blocks "$out/saved.scn"); then
      echo "compare-platforms: $name: saved.scn differs between Linux and $label ($program)" >&2
      diff <(tr -d '\r' <"$work/$name/linux/saved.scn") <(tr -d '\r' <"$out/saved.scn") >&2 || true
      status=1
    fi
    # The test host steps the module with opcPreStep; with opcTimestep, or both in each frame, the
    # module must step exactly as often.
    if [ "$program" = orbiter.exe ] && [ "$name" = tug ]; then
      for steps in timestep both; do
        mkdir -p "$out-$steps"
        (cd "$out-$steps" && run_windows "$dir" "$program" "$width" "${args[@]}" --step-callbacks "$steps")
        for file in tethers.csv vessels.csv screen.txt saved.scn; do
          if ! cmp -s "$out/$file" "$out-$steps/$file"; then
            echo "compare-platforms: $label: $file differs between opcPreStep and --step-callbacks $steps" >&2
            status=1
          fi
        done
      done
    fi
  done
  count=$((count + 1))
done

if [ "$status" -eq 0 ]; then
  summary=""
  for build in "${builds[@]}"; do
    IFS='|' read -r dir program width label <<<"$build"
    summary+="${summary:+; }$label ($program, $width-bit)"
  done
  echo "compare-platforms: $count scenarios agree on Linux and $summary" \
       "(tethers, vessels and the saved scenario's numbers to 1e-9 or 1e-12 absolute, the plug-in's block and the screen exactly)"
fi
exit "$status"
