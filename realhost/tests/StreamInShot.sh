#!/usr/bin/env bash
# The real host draws a tether where Kestrane asked for it: the scene of glider-pod.scn drawn by the
# host's own Direct3D 7 client half a second in, from the side of the glider, once with the tether
# tied and once with it untied; the pixels in which the two shots differ must lie between the
# tether's attach points as projected into the shot, within the width of the stream asked for, and
# cover most of the way between them (StreamInShot.mjs). Geometry, not the bytes of a picture kept:
# what a renderer draws changes with its version.
#
#   realhost/tests/StreamInShot.sh OUT_DIR      (KESTRANE_REAL_HOST_BUILD set)
set -euo pipefail
out=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$out"
tied=$root/realhost/scenarios/glider-pod.scn
untied=$out/glider-pod-untied.scn
sed 's/^\(  TetherData 0 CONNECT\) 1/\1 0/' "$tied" >"$untied"
grep -q '^  TetherData 0 CONNECT 0' "$untied"
for scenario in "$tied" "$untied"; do
  "$root/scripts/real-host.sh" run "$scenario" --duration 0.8 --dt 0.1 --shot 0.5 --camera Glider,6,-90,10,50 \
    --out "$out/$(basename "$scenario" .scn)"
done
node "$root/realhost/tests/StreamInShot.mjs" "$out/glider-pod/shot-0.5.png" "$out/glider-pod-untied/shot-0.5.png" \
  "$out/glider-pod/shot-0.5.txt" 0
