#!/usr/bin/env bash
# Builds Quillox and runs every test layer: the native unit tests (plain and under ASan/UBSan),
# then, cross-built for Windows, the unit, Windows and end-to-end tests under Wine on a virtual
# display. Installs whatever the machine lacks first.
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

step "Windows build (MinGW-w64) and the Wine test layers"
cmake --preset windows >/dev/null
cmake --build --preset windows
source scripts/display.sh
ensure_display
ctest --preset windows
