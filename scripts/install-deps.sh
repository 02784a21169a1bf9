#!/usr/bin/env bash
# Installs the system packages that building, testing and the demo need, when they are missing.
# Debian, as root (or through sudo). Safe to run again: it installs only what is absent.
#
#   scripts/install-deps.sh            Linux build, tests, demo, plots, fuzzing (clang, libFuzzer),
#                                      profiles (valgrind), the replay page (node, npm, chromium for its tests)
#                                      and the live page (emscripten)
#   scripts/install-deps.sh --windows  also the i686 and x86_64 MinGW cross compilers, 32- and
#                                      64-bit Wine, clang/lld in Visual C++ mode with zip for the
#                                      plug-in's build for the real host and its release, GCC's
#                                      sources and patch(1) for the real host itself, Xvfb, the
#                                      virtual display its displays open on, and Mesa's 32-bit
#                                      OpenGL, through which Wine draws its 3D scene (--graphics)
#   scripts/install-deps.sh --cluster  also Slurm (controller, node daemon and commands) with MUNGE, for
#                                      the test that runs a sweep as a job array on a one-node cluster
set -euo pipefail

want_windows=0
want_cluster=0
for arg in "$@"; do
  case "$arg" in
    --windows) want_windows=1 ;;
    --cluster) want_cluster=1 ;;
    *) echo "install-deps: unknown option '$arg'" >&2; exit 2 ;;
  esac
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
  sudo_cmd=(sudo)
fi

packages=(
  build-essential cmake pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libfreetype-dev libpng-dev zlib1g-dev fonts-dejavu-core
  libncurses-dev tmux
  gnuplot-nox
  valgrind
  clang libclang-rt-14-dev
  chromium
)
# The live page's compiler: where the system's archive lacks it, everything else is installed and
# the live page is not built (scripts/live.sh and test.sh say so).
optional=(emscripten)
if [ "$want_windows" -eq 1 ]; then
  packages+=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix libz-mingw-w64-dev wine wine32
             g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64
             clang-14 lld-14 llvm-14 zip
             gcc-12-source patch xvfb xauth
             libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386)
fi
if [ "$want_cluster" -eq 1 ]; then
  packages+=(slurm-wlm munge iproute2)
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
missing_optional=()
for p in "${optional[@]}"; do
  installed "$p" || missing_optional+=("$p")
done
# The replay page is built with node and npm; a node that came from elsewhere is used as it is.
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)
[ "${#missing[@]}" -eq 0 ] && [ "${#missing_optional[@]}" -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]} ${missing_optional[*]}"
if [ "$want_windows" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  # 32-bit Wine runs the i686 builds; its packages live in the i386 architecture.
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# apt-get, waiting up to five minutes, with a word, while another package manager holds the lock.
apt_get() {
  local waited=0 errors status
  errors=$(mktemp)
  while :; do
    status=0
    "${sudo_cmd[@]}" apt-get "$@" 2>"$errors" || status=$?
    if [ "$status" -eq 0 ] || ! grep -q 'Could not get lock' "$errors" || [ "$waited" -ge 300 ]; then
      cat "$errors" >&2
      rm -f "$errors"
      return "$status"
    fi
    [ "$waited" -gt 0 ] || echo "install-deps: another apt-get or dpkg holds the package lock; waiting for it (5 minutes at most)" >&2
    sleep 5
    waited=$((waited + 5))
  done
}
apt_get update -qq
if [ "${#missing[@]}" -gt 0 ]; then
  apt_get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
for p in "${missing_optional[@]}"; do
  apt_get install -y -qq --no-install-recommends "$p" >/dev/null ||
    echo "install-deps: $p cannot be installed here; what needs it is left out" >&2
done
