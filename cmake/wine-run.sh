#!/bin/sh
# Runs a program of a Windows build under Wine:  wine-run.sh [--64] PREFIX PROGRAM [ARGUMENTS...]
#
# PREFIX is the build tree's own Wine prefix, 32-bit, or 64-bit with --64 (for 64-bit programs); it
# is created on first use. Parallel test runs
# share it, so the creation is serialised by a lock and finished (wineserver -w) before any program
# runs. Headless: no display is needed, Wine's debug output is off, and the .NET and HTML engines,
# whose installers would prompt, are disabled.
set -eu

arch=win32
if [ "${1:-}" = --64 ]; then
  arch=win64
  shift
fi
if [ $# -lt 2 ]; then
  echo "usage: wine-run.sh [--64] PREFIX PROGRAM [ARGUMENTS...]" >&2
  exit 2
fi
prefix=$1
shift
case $prefix in
  /*) ;;
  *) echo "wine-run: the prefix must be an absolute path, not '$prefix'" >&2; exit 2 ;;
esac
if [ "$prefix" = / ]; then
  echo "wine-run: refusing / as the Wine prefix" >&2
  exit 2
fi

# Debian's wine runs 32-bit programs; 64-bit ones need the 64-bit loader (package wine64).
if [ "$arch" = win64 ]; then
  wine=/usr/lib/wine/wine64
  [ -x "$wine" ] || wine=
  export WINELOADER="$wine"
else
  wine=$(command -v wine || true)
fi
if [ -z "$wine" ]; then
  echo "wine-run: wine ($arch) is not installed (scripts/install-deps.sh --windows installs it)" >&2
  exit 127
fi

unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX="$prefix"
export WINEARCH=$arch
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      rm -rf "$prefix"
      # wineboot returns before the server has written the registry; wait for it.
      "$wine" wineboot -i >/dev/null 2>&1 </dev/null
      wineserver -w
      if [ ! -f "$prefix/system.reg" ]; then
        echo "wine-run: could not create the Wine prefix $prefix" >&2
        exit 1
      fi
    fi
  ) 9>"$prefix.lock"
fi

exec "$wine" "$@"
