#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's own prefix (never ~/.wine), quietly.
# The prefix is created on first use; a lock keeps parallel tests from creating it twice.
set -eu
build=${QUILLOX_BUILD_DIR:-$(pwd)}
while [ ! -f "$build/CMakeCache.txt" ] && [ "$build" != / ]; do build=$(dirname "$build"); done
[ -f "$build/CMakeCache.txt" ] || build=${QUILLOX_BUILD_DIR:-$(pwd)}
export WINEPREFIX=${WINEPREFIX_QUILLOX:-$build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/.quillox-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.quillox-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      # Without a window manager on the display Wine waits two seconds for every dialog that
      # closes; unmanaged windows close at once.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
      wineserver -w
      touch "$WINEPREFIX/.quillox-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
