#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the Linux build with warnings
# as errors, the same under AddressSanitizer and UndefinedBehaviorSanitizer (with LeakSanitizer),
# each fuzz program for a short fixed time after replaying the inputs that once failed, the 32-bit
# Windows build under Wine, where the host's SDK headers are (../shared/orbitersdk), the plug-in
# for the real host in its Visual C++ ABI, 32- and 64-bit, with its test host under Wine and the
# release zips, and, where the host's sources are (../shared/openorbiter), the real host itself,
# built from them, running Kestrane under Wine, headless and with its displays on a virtual X
# display, and compared with the Linux build's kestrane-sim, its displays too.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --windows --cluster

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
run_suite build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DKESTRANE_BENCH=OFF
compared=(build/windows)
sdk=../shared/orbitersdk
if [ -f "$sdk/include/Orbitersdk.h" ]; then
  # The 64-bit test host's core; the 32-bit one is build/windows's.
  echo "== build/windows64"
  cmake -S . -B build/windows64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DKESTRANE_WERROR=ON \
    -DKESTRANE_TESTS=OFF -DKESTRANE_BENCH=OFF >/dev/null
  cmake --build build/windows64 -j "$jobs" --target kestrane-core
  run_suite build/msvc-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/clang-msvc-i686.cmake -DCMAKE_BUILD_TYPE=Release \
    -DKESTRANE_ORBITER_SDK="$sdk" -DKESTRANE_CORE_LIBRARY="$PWD/build/windows/kestrane-core.dll"
  run_suite build/msvc-x64 -DCMAKE_TOOLCHAIN_FILE=cmake/clang-msvc-x64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DKESTRANE_ORBITER_SDK="$sdk" -DKESTRANE_CORE_LIBRARY="$PWD/build/windows64/kestrane-core.dll"
  compared+=(build/msvc-i686 build/msvc-x64)
fi
bash scripts/compare-platforms.sh build/linux "${compared[@]}"
if [ "${#compared[@]}" -gt 1 ]; then
  bash scripts/release.sh "$sdk"
fi

host_source=../shared/openorbiter
if [ -f "$host_source/Src/Orbiter/Orbiter.cpp" ]; then
  echo "== build/real-host"
  cmake -S . -B build/real-host -DCMAKE_TOOLCHAIN_FILE=cmake/clang-msvc-i686.cmake -DCMAKE_BUILD_TYPE=Release \
    -DKESTRANE_WERROR=ON -DKESTRANE_ORBITER_SDK="$host_source/Orbitersdk" -DKESTRANE_HOST_SOURCE="$host_source" \
    -DKESTRANE_TESTS=OFF -DKESTRANE_BENCH=OFF -DKESTRANE_LINUX_BUILD="$PWD/build/linux" >/dev/null
  cmake --build build/real-host -j "$jobs" --target real_host_tree
  ctest --test-dir build/real-host --output-on-failure -j "$jobs"
fi
