#!/usr/bin/env bash
# Notes travel between platforms: a note sealed by the Linux tool opens, is rekeyed and flagged
# with the Windows tool under Wine, and the other way round.
#   cross_test.sh WORK_FOLDER WINDOWS_TOOL NATIVE_TOOL WINE_RUNNER...   (77: no native tool)
if [ ! -x "$3" ]; then
    echo "skipped: no native quillox-note at $3 (build the native preset first)"
    exit 77
fi
native_tool=$(realpath "$3")
source "$(dirname "$0")/lib.sh" "$1" "$2" "${@:4}"
win_tool=$tool wine=("${runner[@]}")
on() {  # on windows|linux: the tool that runs the next steps
    if [ "$1" = windows ]; then tool=$win_tool runner=("${wine[@]}"); else tool=$native_tool runner=(); fi
}

# The Windows tool stands in for the editor, so the notes are real Windows executables.
cp "$win_tool" editor.exe
printf 'alpha\n' >alpha.txt
printf 'beta\n' >beta.txt
printf 'Shared note: \xc3\xa4\xc3\xb6\xc3\xbc in UTF-8, a tab\t, a NUL \0, no line end' >text.txt
head -c 3000 /dev/zero | tr '\0' x >>text.txt

for side in linux windows; do
    other=windows && [ $side = windows ] && other=linux
    on $side
    q 0 seal --image editor.exe -o from-$side.exe text.txt --passphrase-file alpha.txt
    q 0 info from-$side.exe
    tr -d '\r' <out.txt >info-$side.txt
    on $other
    q 0 info from-$side.exe
    check "both tools report the same about the $side note" cmp -s <(tr -d '\r' <out.txt) info-$side.txt
    q --pipe 'alpha\n' 0 cat from-$side.exe --passphrase-file -
    check "$other reads the $side note's text byte for byte" cmp -s out.txt text.txt
    q 0 rekey from-$side.exe --passphrase-file alpha.txt --new-passphrase-file beta.txt
    q 0 set from-$side.exe --read-only on
    on $side
    q 0 info from-$side.exe
    expect_info "read-only" "yes"
    q --pipe 'beta\n' 0 cat from-$side.exe --passphrase-file -
    check "the note rekeyed on $other gives its text on $side" cmp -s out.txt text.txt
    check "from-$side.exe keeps the Windows editor image" cmp -s -n "$(wc -c <editor.exe)" editor.exe from-$side.exe
done
finish
