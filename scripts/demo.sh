#!/usr/bin/env bash
# The demo: one ShuttlePB reels in another from 1.5 km in low Earth orbit (scenarios/tug.scn), with
# the keys a user would press on the Kestrane display, then plots of the run.
#
#   scripts/demo.sh [OUTPUT_DIR]      (default: out/demo)
#
# Installs missing system packages (scripts/install-deps.sh), builds kestrane-sim and the plug-in
# in build/demo, runs the scenario while printing the display each time it changes, and writes
# into OUTPUT_DIR:
#   tethers.csv, vessels.csv   the run, sampled every quarter second
#   display.png, display.txt   the display after the last frame
#   tug-end.scn                the whole scenario after the last frame (kestrane-sim can load it)
#   tethers.png, paths.png     plots of the tether and of the two vessels' paths, in the orbit's
#                              moving frame
#   replay.html                the run in 3D with the display beside it: open it in a browser
set -euo pipefail

out=${1:-out/demo}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$(dirname "$0")/.."
build=build/demo

if [ -t 1 ]; then bold=$'\033[1m' plain=$'\033[0m'; else bold='' plain=''; fi
step() { printf '\n%s[%s] %s%s\n' "$bold" "$1" "$2" "$plain"; }

step 1/4 "checking the system packages (scripts/install-deps.sh)"
bash scripts/install-deps.sh

step 2/4 "building kestrane-sim and the plug-in in $build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRANE_TESTS=OFF -DKESTRANE_BENCH=OFF >/dev/null
cmake --build "$build" --target kestrane-sim kestrane -j "$(nproc)"

# The keys, as "time:key" on the tug's display, each in the frame after the display has shown what
# the one before did:
#   0 s      MINUS target the pod
#   0.02 s   A length = distance (1500 m)
#   0.04 s   J connect
#   3-18 s   I six times: reel in at -0.1, -0.2, -0.4, -0.8, -1.6, then -3.2 m/s
#   437 s    O stop the reel, with about 150 m of tether left
keys="0:MINUS,0.02:A,0.04:J,3:I,6:I,9:I,12:I,15:I,18:I,437:O"
step 3/4 "running scenarios/tug.scn for 520 simulated seconds"
echo "keys: $keys"
# On a terminal the display is redrawn in place at 40 simulated seconds per second.
pace=()
if [ -t 1 ]; then pace=(--speed 40); fi
"$build/kestrane-sim" run scenarios/tug.scn --duration 520 --every 0.25 --keys "$keys" "${pace[@]}" \
  --tethers "$out/tethers.csv" --vessels "$out/vessels.csv" \
  --screen "$out/display.txt" --png "$out/display.png" --save "$out/tug-end.scn" --show \
  --replay "$out/replay.html"

step 4/4 "plotting"
bash scripts/plot.sh --frame orbit --title "Tug reels in a pod" "$out"

cat <<EOF

Done. In $out:
  replay.html    the run in 3D, to watch in a browser: open file://$out/replay.html
                 (or: xdg-open $out/replay.html)
  display.png    the display after the run        tethers.png  pull, stretch, length, reel speed
  paths.png      the tug's and the pod's paths    tethers.csv, vessels.csv  the numbers
  tug-end.scn    the scenario as it ended: $build/kestrane-sim run $out/tug-end.scn --show
Try it yourself:  $build/kestrane-sim play scenarios/tug.scn
Other stories:    scenarios/tow.scn, orbit.scn, iss.scn, eight.scn (see README.md)
EOF
