#!/usr/bin/env bash
# Builds the editor and opens it under Wine: on your display when there is one; otherwise on a
# virtual display, saving a screenshot of the opened editor and printing where it is.
# With a note executable as its argument it starts that note instead, as a double-click would:
# scripts/run.sh path/to/note.exe
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target quillox
exe=build/windows/src/startup/quillox.exe
echo "built $exe ($(stat -c %s "$exe") bytes)"
program=${1:-$exe}
# The build tree's own Wine prefix, on a real display as on a virtual one.
export QUILLOX_BUILD_DIR=$PWD/build/windows

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec cmake/wine-run.sh "$program"
fi

source scripts/display.sh
ensure_display
cmake/wine-run.sh "$program" &
for _ in $(seq 150); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Quillox' && break
  sleep 0.2
done
sleep 1
shot=$PWD/build/windows/quillox-screenshot.png
xwd -root -silent >build/windows/screen.xwd
python3 scripts/xwd_to_png.py build/windows/screen.xwd "$shot"
rm -f build/windows/screen.xwd
echo "no display here: $(basename "$program") ran on a virtual one; screenshot saved to $shot"
WINEPREFIX=$PWD/build/windows/wineprefix wineserver -k 2>/dev/null || true
