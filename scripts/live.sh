#!/usr/bin/env bash
# Builds the live page, out/live/kestrane-live.html (or the file named): the plug-in and the
# simulated host's core in WebAssembly with the replay page's scene, one file that flies the
# example scenarios, or a .scn dropped on it, in a browser from the disk. Emscripten (Debian's)
# compiles it in build/live; node and npm bundle it.
#
#   scripts/live.sh [OUT.html]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-out/live/kestrane-live.html}
bash scripts/install-deps.sh
if ! command -v emcmake >/dev/null; then
  echo "live: emscripten is not installed (scripts/install-deps.sh installs it where Debian has it)" >&2
  exit 1
fi
# A Linux tree's kestrane-sim, where there is one, is what the page's tests compare it with.
linux=$PWD/build/linux
emcmake cmake -S . -B build/live -DCMAKE_BUILD_TYPE=Release -DKESTRANE_LINUX_BUILD="$linux" >/dev/null
nice -n 10 cmake --build build/live -j "$(nproc)"
mkdir -p "$(dirname "$out")"
cp build/live/kestrane-live.html "$out"
echo "live: $out ($(($(stat -c %s "$out") / 1024)) KiB)"
