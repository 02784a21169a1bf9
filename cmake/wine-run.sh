#!/bin/sh
# Runs a program of the Windows build under Wine:  wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
#
# PREFIX is the build tree's own 32-bit Wine prefix; it is created on first use. Parallel test runs
# share it, so the creation is serialised by a lock and finished (wineserver -w) before any program
# runs. Headless: no display is needed, Wine's debug output is off, and the .NET and HTML engines,
# whose installers would prompt, are disabled.
set -eu

if [ $# -lt 2 ]; then
  echo "usage: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]" >&2
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

wine=$(command -v wine || true)
if [ -z "$wine" ]; then
  echo "wine-run: wine is not installed (scripts/install-deps.sh --windows installs it)" >&2
  exit 127
fi

unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX="$prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      rm -rf "$prefix"
      # wineboot returns before the server has written the registry; wait for it.
      wineboot -i >/dev/null 2>&1 </dev/null
      wineserver -w
      if [ ! -f "$prefix/system.reg" ]; then
        echo "wine-run: could not create the Wine prefix $prefix" >&2
        exit 1
      fi
    fi
  ) 9>"$prefix.lock"
fi

exec "$wine" "$@"
