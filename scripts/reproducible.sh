#!/usr/bin/env bash
# Builds the editor and quillox-note.exe from this checkout in a second build folder and checks
# that both come out byte for byte the same as in the first: anyone who builds the published
# source must get the editor whose SHA-256 they compare with the one inside their notes. Prints
# the fingerprints (the editor's is what `quillox-note info` shows for a note on it).
#
#   scripts/reproducible.sh [FIRST_BUILD_DIR [SECOND_BUILD_DIR]]
#   (defaults build/windows and build/windows-repro; only the two programs are built)
set -euo pipefail
cd "$(dirname "$0")/.."
first=${1:-build/windows}
second=${2:-build/windows-repro}
targets=(src/startup/quillox.exe src/cli/quillox-note.exe)

for dir in "$first" "$second"; do
    cmake --preset windows -B "$dir" >/dev/null
    cmake --build "$dir" --target quillox quillox-note >/dev/null
done
status=0
for exe in "${targets[@]}"; do
    if cmp "$first/$exe" "$second/$exe"; then
        echo "reproducible: $exe is the same in $first and $second"
    else
        echo "NOT REPRODUCIBLE: $exe differs between $first and $second"
        status=1
    fi
done
(cd "$first" && sha256sum "${targets[@]}")
exit $status
