#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the Linux build with warnings
# as errors, the same under AddressSanitizer and UndefinedBehaviorSanitizer (with LeakSanitizer),
# each fuzz program for a short fixed time after replaying the inputs that once failed, and the
# 32-bit Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --windows

jobs=$(nproc)
run_suite() {
  local dir=$1
  shift
  echo "== $dir"
  cmake -S . -B "$dir" -DKESTRANE_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_suite build/linux
run_suite build/sanitize -DKESTRANE_SANITIZE=ON -DKESTRANE_BENCH=OFF
bash scripts/fuzz.sh --ci
if [ -f cmake/mingw-i686.cmake ]; then
  run_suite build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DKESTRANE_BENCH=OFF
  bash scripts/compare-platforms.sh build/linux build/windows
fi
