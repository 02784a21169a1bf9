#!/usr/bin/env bash
# Installs the system packages that building, testing and the demo need, when they are missing.
# Debian, as root (or through sudo). Safe to run again: it installs only what is absent.
#
#   scripts/install-deps.sh            Linux build, tests, demo, plots, fuzzing (clang, libFuzzer), profiles
#   scripts/install-deps.sh --windows  also the i686 MinGW cross compiler and 32-bit Wine
set -euo pipefail

want_windows=0
for arg in "$@"; do
  case "$arg" in
    --windows) want_windows=1 ;;
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
  libfreetype-dev libpng-dev fonts-dejavu-core
  libncurses-dev tmux
  gnuplot-nox
  valgrind
  clang libclang-rt-14-dev
)
if [ "$want_windows" -eq 1 ]; then
  packages+=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix wine wine32)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
if [ "$want_windows" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  # 32-bit Wine runs the i686 builds; its packages live in the i386 architecture.
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
