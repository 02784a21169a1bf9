#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the Linux build with warnings
# as errors, the same under AddressSanitizer and UndefinedBehaviorSanitizer (with LeakSanitizer),
# each fuzz program for a short fixed time after replaying the inputs that once failed, the 32-bit
# Windows build under Wine, where the host's SDK headers are (../shared/orbitersdk), the plug-in
# for the real host in its Visual C++ ABI, 32- and 64-bit, with its test host under Wine and the
# release zips, and, where the host's sources are (../shared/openorbiter), the real host itself,
# 32- and 64-bit, built from them, running Kestrane under Wine, headless and with its displays on a
# virtual X display, and compared with the Linux build's kestrane-sim, its displays too. Where
# emscripten is, the live page (WebAssembly) is built and flown against the Linux build's kestrane-sim.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --windows --cluster

# Each build tree is a configure preset of CMakePresets.json, in build/PRESET.
jobs=$(nproc)
run_suite() {
  local preset=$1
  echo "== build/$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j "$jobs"
  ctest --test-dir "build/$preset" --output-on-failure -j "$jobs"
}

run_suite linux

# The live page (an emscripten tree), flown in headless Chromium against build/linux's kestrane-sim.
live_page() {
  echo "== build/live"
  if ! command -v emcmake >/dev/null; then
    echo "build/live: SKIPPED: emscripten is not installed (scripts/install-deps.sh could not install it)"
    return
  fi
  emcmake cmake --preset live >/dev/null
  bash scripts/live.sh
  ctest --test-dir build/live --output-on-failure
}
live_page
run_suite sanitize
bash scripts/fuzz.sh --ci
run_suite windows
compared=(build/windows)
sdk=../shared/orbitersdk
if [ -f "$sdk/include/Orbitersdk.h" ]; then
  # The 64-bit test host's core; the 32-bit one is build/windows's.
  echo "== build/windows64"
  cmake --preset windows64 >/dev/null
  cmake --build build/windows64 -j "$jobs" --target kestrane-core
  run_suite msvc-i686
  run_suite msvc-x64
  compared+=(build/msvc-i686 build/msvc-x64)
fi
bash scripts/compare-platforms.sh build/linux "${compared[@]}"
if [ "${#compared[@]}" -gt 1 ]; then
  bash scripts/release.sh "$sdk"
fi

host_source=../shared/openorbiter
if [ -f "$host_source/Src/Orbiter/Orbiter.cpp" ]; then
  # The real host in both architectures, each in its own tree. The 64-bit host runs Kestrane headless
  # and with its displays (the saves with the display open and closed, reloaded) and compares one
  # scenario's motion with kestrane-sim; the rest of its comparisons, which the 32-bit host runs
  # every time, run with KESTRANE_REAL_HOST_X64_ALL=1.
  for arch in i686 x64; do
    preset=real-host
    selection=()
    if [ "$arch" = x64 ]; then
      preset=real-host-x64
      [ "${KESTRANE_REAL_HOST_X64_ALL:-0}" = 1 ] ||
        selection=(-R 'real_host_(runs|shows)_kestrane|real_host_save_and_reload|real_host_compare_tug_reel')
    fi
    tree=build/$preset
    echo "== $tree"
    cmake --preset "$preset" >/dev/null
    cmake --build "$tree" -j "$jobs" --target real_host_tree
    ctest --test-dir "$tree" --output-on-failure -j "$jobs" "${selection[@]}"
  done
fi
