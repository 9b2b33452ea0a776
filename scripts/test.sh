#!/usr/bin/env bash
# Builds Quillox and runs every test layer: the native unit tests (plain and under ASan/UBSan)
# with the command-line tool's end-to-end tests (also under valgrind), a short run of each fuzz
# target, then, cross-built for Windows, the unit, Windows and end-to-end tests under Wine on a
# virtual display. Installs whatever the machine lacks first.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

step() { printf '\n== %s\n' "$*"; }

step "native build and unit tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

step "native unit tests under AddressSanitizer and UBSan"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

step "fuzz targets (clang, libFuzzer, ASan and UBSan): a short smoke run of each"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_parserecord fuzz_file_end_data fuzz_load \
  fuzz_command_line
ctest --test-dir build/fuzz -L fuzz --output-on-failure

step "Windows build (MinGW-w64) and the Wine test layers"
cmake --preset windows >/dev/null
cmake --build --preset windows

step "reproducible build: the editor and quillox-note.exe built again in a second folder"
bash scripts/reproducible.sh build/windows build/windows-repro

source scripts/display.sh
ensure_display
status=0
ctest --preset windows || status=$?
WINEPREFIX=$PWD/build/windows/wineprefix wineserver -k 2>/dev/null || true
exit $status
