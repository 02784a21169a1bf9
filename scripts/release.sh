#!/usr/bin/env bash
# Makes the add-on that a user of the real host installs: in dist/, one zip per architecture of the
# host (x86, x64), laid out as a host installation, to be unpacked into the host's folder:
#
#   Modules/Plugin/Kestrane.dll      the plug-in in the host's Visual C++ ABI, built against the SDK
#   Textures/TetherTaut.dds, Tether2.dds, Tether3.dds
#   Scenarios/Kestrane/*.scn         the example scenarios
#   Doc/Kestrane.md                  enabling the module, opening the display, the keys
#
#   scripts/release.sh [ORBITERSDK]  the host's Orbitersdk folder (default: ../shared/orbitersdk)
#
# The DLLs come from build/msvc-i686 and build/msvc-x64 (clang and lld in Visual C++ mode, see
# cmake/RealHost.cmake), the textures from build/textures.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

sdk=${1:-../shared/orbitersdk}
if [ ! -f "$sdk/include/Orbitersdk.h" ]; then
  echo "release: '$sdk' has no include/Orbitersdk.h; name the host's Orbitersdk folder" >&2
  exit 2
fi
sdk=$(cd "$sdk" && pwd)
bash scripts/install-deps.sh --windows

version=$(sed -n 's/^project(Kestrane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
jobs=$(nproc)

echo "== build/textures"
cmake -S . -B build/textures -DKESTRANE_TESTS=OFF -DKESTRANE_BENCH=OFF >/dev/null
cmake --build build/textures -j "$jobs" --target textures
textures=(TetherTaut.dds Tether2.dds Tether3.dds)

mkdir -p dist
for arch in x86 x64; do
  case $arch in
    x86) tree=build/msvc-i686 toolchain=cmake/clang-msvc-i686.cmake ;;
    x64) tree=build/msvc-x64 toolchain=cmake/clang-msvc-x64.cmake ;;
  esac
  echo "== $tree"
  # A tree keeps the toolchain it was first configured with.
  configure=(-DCMAKE_BUILD_TYPE=Release -DKESTRANE_ORBITER_SDK="$sdk")
  [ -f "$tree/CMakeCache.txt" ] || configure+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
  cmake -S . -B "$tree" "${configure[@]}" >/dev/null
  cmake --build "$tree" -j "$jobs" --target Kestrane

  stage=$(mktemp -d)
  trap 'rm -rf "$stage"' EXIT
  mkdir -p "$stage/Modules/Plugin" "$stage/Textures" "$stage/Scenarios/Kestrane" "$stage/Doc"
  cp "$tree/Kestrane.dll" "$stage/Modules/Plugin/"
  for texture in "${textures[@]}"; do cp "build/textures/Textures/$texture" "$stage/Textures/"; done
  cp scenarios/*.scn "$stage/Scenarios/Kestrane/"
  cp docs/Kestrane.md "$stage/Doc/"

  zipfile="$root/dist/Kestrane-$version-$arch.zip"
  rm -f "$zipfile"
  (cd "$stage" && zip -q -X -r "$zipfile" Modules Textures Scenarios Doc)
  rm -rf "$stage"
  trap - EXIT

  # The zip holds exactly the installation's files.
  expected=$( (echo Modules/Plugin/Kestrane.dll; printf 'Textures/%s\n' "${textures[@]}"; echo Doc/Kestrane.md
               for scenario in scenarios/*.scn; do echo "Scenarios/Kestrane/$(basename "$scenario")"; done) | sort)
  listed=$(zip -sf "$zipfile" | sed -n 's/^  //p' | grep -v '/$' | sort)
  if [ "$listed" != "$expected" ]; then
    echo "release: $zipfile does not hold the installation's files:" >&2
    diff <(echo "$expected") <(echo "$listed") >&2 || true
    exit 1
  fi
  echo "release: dist/$(basename "$zipfile") ($(stat -c %s "$tree/Kestrane.dll") bytes of Kestrane.dll," \
       "$(echo "$listed" | wc -l) files)"
done
