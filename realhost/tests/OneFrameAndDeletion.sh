#!/usr/bin/env bash
# The tug in the real host and in kestrane-sim with the keys a user types all at 0 s and the pod
# deleted at 10 s: in both, the keys of the first frame find the display not yet drawn (A measures
# nothing, J ties at the setup's 1000 m), and the step after the deletion disconnects the tether.
# The motion, the display at every redraw and the tether at the end must agree
# (scripts/real-host.sh compare --check --screens), and so must both saved scenarios: no pod, the
# tether not connected. Sampled every frame: the first frame's pull of 100 kN moves the vessels
# apart in each host as its own integrator does, which the first redraw, at the end of that
# frame, shows and a sample a second later no longer does.
#
#   realhost/tests/OneFrameAndDeletion.sh OUT_DIR LINUX_BUILD      (KESTRANE_REAL_HOST_BUILD set)
set -euo pipefail
out=$1 sim=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/real-host.sh" compare "$root/scenarios/tug.scn" --duration 12 --keys "0:MINUS,0:A,0:J,3:I" \
  --delete 10:Pod --every 0.02 --screens --check --sim "$sim" --out "$out"
for host in real sim; do
  saved=$out/$host/end.scn
  tr -d '\r' <"$saved" | grep -q '^Pod:' && { echo "deleted: the $host host saved the pod" >&2; exit 1; }
  connected=$(tr -d '\r' <"$saved" | awk '/^BEGIN_Kestrane/ { inside = 1 } inside && $1 == "TetherData" && $2 == 0 && $3 == "CONNECT" { print $4; exit }')
  [ "$connected" = 0 ] || { echo "deleted: the $host host saved tether 0 as CONNECT '$connected'" >&2; exit 1; }
done
echo "deleted: both hosts saved the tether disconnected and no pod"
