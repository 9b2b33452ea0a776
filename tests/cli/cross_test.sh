#!/usr/bin/env bash
# Notes travel between platforms: a note sealed, rekeyed or flagged by the Linux tool opens with
# the Windows tool under Wine, and the other way round.
#
#   cross_test.sh WORK_FOLDER WINDOWS_TOOL NATIVE_TOOL WINE_RUNNER...
#
# Exits 77 (skipped) when the native tool has not been built.
# shellcheck disable=SC2034  # tool and runner are read by lib.sh
set -uo pipefail

work=$1
win_tool=$(realpath "$2")
native_tool=$3
shift 3
wine=("$@")
if [ ! -x "$native_tool" ]; then
    echo "skipped: no native quillox-note at $native_tool (build the native preset first, or pass -DQUILLOX_NATIVE_TOOL=...)"
    exit 77
fi
native_tool=$(realpath "$native_tool")
source "$(dirname "$0")/lib.sh"

rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1

on_windows() { tool=$win_tool; runner=("${wine[@]}"); }
on_linux() { tool=$native_tool; runner=(); }

# The Windows tool stands in for the editor, so the notes are real Windows executables.
cp "$win_tool" editor.exe
image=$(size_of editor.exe)
printf 'alpha\n' >alpha.txt
printf 'beta\n' >beta.txt
{
    printf 'Shared note with \xc3\xa4\xc3\xb6\xc3\xbc in UTF-8, a tab\t, a NUL \0 and no line end'
    head -c 3000 /dev/zero | tr '\0' 'x'
} >text.txt

echo "== sealed on Linux, read on Windows"
on_linux
q 0 seal --image editor.exe -o from-linux.exe text.txt --passphrase-file alpha.txt
q 0 info from-linux.exe
tr -d '\r' <out.txt >info-linux.txt
on_windows
q 0 info from-linux.exe
tr -d '\r' <out.txt >info-windows.txt
check "both tools report the same about the note" same_bytes info-linux.txt info-windows.txt
q --pipe 'alpha\n' 0 cat from-linux.exe --passphrase-file -
check "Windows reads the Linux note's text byte for byte" same_bytes out.txt text.txt
q --pipe 'beta\n' 3 cat from-linux.exe --passphrase-file -

echo "== sealed on Windows, read on Linux"
on_windows
q 0 seal --image editor.exe -o from-windows.exe text.txt --passphrase-file beta.txt
on_linux
q 0 info from-windows.exe
expect_info "editor image" "$image bytes"
q --pipe 'beta\n' 0 cat from-windows.exe --passphrase-file -
check "Linux reads the Windows note's text byte for byte" same_bytes out.txt text.txt

echo "== rekeyed and flagged on one side, read on the other"
on_windows
q 0 rekey from-linux.exe --passphrase-file alpha.txt --new-passphrase-file beta.txt
q 0 set from-linux.exe --read-only on
on_linux
q 0 info from-linux.exe
expect_info "read-only" "yes"
q --pipe 'alpha\n' 3 cat from-linux.exe --passphrase-file -
q --pipe 'beta\n' 0 cat from-linux.exe --passphrase-file -
check "the note rekeyed on Windows gives its text on Linux" same_bytes out.txt text.txt
q 0 rekey from-windows.exe --passphrase-file beta.txt --new-passphrase-file alpha.txt
q 0 set from-windows.exe --read-only on
on_windows
q 0 info from-windows.exe
expect_info "read-only" "yes"
q 0 set from-windows.exe --read-only off
q --pipe 'alpha\n' 0 cat from-windows.exe --passphrase-file -
check "the note rekeyed on Linux gives its text on Windows" same_bytes out.txt text.txt
on_linux
q 0 info from-windows.exe
expect_info "read-only" "no"
for note in from-windows.exe from-linux.exe; do
    check "$note keeps the Windows editor image" cmp -s -n "$image" editor.exe "$note"
done
no_leftovers

finish
