#!/usr/bin/env bash
# Start-up, open and save figures of the editor under Wine on a virtual display.
#   bench/wine_bench.sh [build dir] [runs]
# The build dir is a Windows (MinGW) build; DISPLAY is used when set, otherwise an Xvfb on :99.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
runs=${2:-7}
cmake --build "$build" --target wine_bench quillox >/dev/null
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:99
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb' EXIT
  sleep 1
fi
QUILLOX_BUILD_DIR=$build "$root/cmake/wine-run.sh" "$build/bench/wine/wine_bench.exe" "$runs" 2>&1 |
  grep -v 'Read access denied'
