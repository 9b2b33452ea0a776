#!/usr/bin/env bash
# End-to-end tests of quillox-note as a user runs it: seal, info, cat, rekey and set, every exit
# code, damaged notes, failed writes that must leave the old note whole.
#
#   cli_test.sh WORK_FOLDER TOOL [RUNNER...]
#
# WORK_FOLDER is emptied and used as the current folder. RUNNER, when given, starts the tool
# (Wine for the Windows build, valgrind for the leak and access check).
set -uo pipefail

work=$1
tool=$(realpath "$2")
shift 2
runner=("$@")
source "$(dirname "$0")/lib.sh"

rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
under_wine=false
[[ "${runner[*]:-}" == *wine* ]] && under_wine=true

# The tool itself stands in for the editor: a real executable of the platform.
cp "$tool" editor.exe
image=$(size_of editor.exe)

printf 'pw1\n' >pass1.txt
printf 'pw2\r\n' >pass2.txt  # a Windows line end is not part of the passphrase
printf 'pw3' >pass3.txt      # nor is a missing one
printf '' >empty.txt
# ASCII without line ends: stored and given back as it is on every platform (encodings and line
# ends are encoding_test.sh's).
{
    printf 'First part, a tab\t and a NUL: \0 here; '
    for i in $(seq 1 20); do printf 'part %02d of the note; ' "$i"; done
} >text.txt
text_len=$(size_of text.txt)

echo "== usage errors give 1 and write nothing"
usage_cases=(
    ""
    "frobnicate note.exe"
    "info"
    "info a.exe b.exe"
    "cat --bogus note.exe"
    "cat note.exe --passphrase-file"
    "set note.exe --read-only maybe"
    "seal -o x.exe text.txt --passphrase-file pass1.txt"
    "seal --image editor.exe --passphrase-file pass1.txt"
    "seal --image editor.exe -o x.exe empty.txt --passphrase-file pass1.txt"
    "seal --image editor.exe -o x.exe text.txt --passphrase-file no-such-file.txt"
)
for args in "${usage_cases[@]}"; do
    # shellcheck disable=SC2086
    q 1 $args
done
check "a refused seal writes no x.exe" test ! -e x.exe

echo "== seal, info and cat"
q 0 seal --image editor.exe -o note.exe text.txt --passphrase-file pass1.txt
payload=$(((text_len + 15) / 16 * 16))
check "note size is image + header + payload + trailer" \
    test "$(size_of note.exe)" -eq $((image + 76 + payload + 8))
check "the note begins with the editor image" cmp -s -n "$image" editor.exe note.exe
q 0 info note.exe
expect_info "kind" "note executable"
expect_info "editor image" "$image bytes"
expect_info "text length" "$text_len bytes"
expect_info "payload length" "$payload bytes"
expect_info "record" "$((payload + 76)) bytes"
expect_info "read-only" "no"
q --pipe 'pw1\n' 0 cat note.exe --passphrase-file -
check "cat gives the sealed text byte for byte" same_bytes out.txt text.txt
for wrong in 'pw2\n' 'PW1\n' 'pw1 \n'; do q --pipe "$wrong" 3 cat note.exe --passphrase-file -; done
check "a wrong passphrase prints no text" test ! -s out.txt

# Text from a pipe, the passphrase from a file with a Windows line end; an image that is itself a
# note gives its editor part, and the output name follows the text file's.
q --in text.txt 0 seal --image note.exe -o piped.exe - --passphrase-file pass2.txt
q --pipe 'pw2\n' 0 cat piped.exe --passphrase-file -
check "a note sealed from standard input keeps the text" same_bytes out.txt text.txt
printf 'memo' >memo.txt
q 0 seal --image piped.exe memo.txt --passphrase-file pass3.txt
q 0 info memo.exe
expect_info "editor image" "$image bytes"
expect_info "payload length" "16 bytes"
q --pipe 'pw3\n' 0 cat memo.exe --passphrase-file -
check "memo.exe holds the memo" test "$(cat out.txt)" = memo

# An empty passphrase is a passphrase.
printf '\n' >blank-pass.txt
q 0 seal --image editor.exe -o blank.exe memo.txt --passphrase-file blank-pass.txt
q --pipe '\n' 0 cat blank.exe --passphrase-file -
q --pipe ' \n' 3 cat blank.exe --passphrase-file -

# The record alone (what follows the image, less the trailer) is read as a note too, but is no
# editor to seal with and has none to keep on a rekey.
tail -c +$((image + 1)) note.exe | head -c $((payload + 76)) >record.bin
q 0 info record.bin
expect_info "kind" "record file"
q --pipe 'pw1\n' 0 cat record.bin --passphrase-file -
check "a record file gives the text" same_bytes out.txt text.txt
q --pipe 'pw1\npw2\n' 1 rekey record.bin --passphrase-file -
q 2 seal --image record.bin -o odd.exe memo.txt --passphrase-file pass1.txt
check "a refused seal writes no odd.exe" test ! -e odd.exe

echo "== rekey"
cp note.exe before.exe
q --pipe 'wrong\nnew\n' 3 rekey note.exe --passphrase-file -
q 1 rekey note.exe --passphrase-file pass1.txt --new-passphrase-file no-such-file.txt
q --pipe 'pw1\n' 1 rekey note.exe --passphrase-file -
check "a failed rekey leaves the note unchanged" same_bytes note.exe before.exe
q --pipe 'pw1\npw2\n' 0 rekey note.exe --passphrase-file -
check "rekey keeps the editor image" cmp -s -n "$image" editor.exe note.exe
check "rekey keeps the note's size" test "$(size_of note.exe)" -eq "$(size_of before.exe)"
q --pipe 'pw1\n' 3 cat note.exe --passphrase-file -
q 0 rekey note.exe --passphrase-file pass2.txt --new-passphrase-file pass3.txt
q --in pass3.txt 0 cat note.exe --passphrase-file -
check "the rekeyed note gives the same text" same_bytes out.txt text.txt

echo "== set --read-only"
cp note.exe before.exe
q 0 set note.exe --read-only on
q 0 info note.exe
expect_info "read-only" "yes"
flags=$((image + 64))
changed=$(cmp -l before.exe note.exe | awk '{print $1 - 1}' | sort -u | tr '\n' ' ')
check "set changes the flags field only (changed offsets: $changed)" test "$changed" = "$flags "
q 0 rekey note.exe --passphrase-file pass3.txt --new-passphrase-file pass1.txt
q 0 info note.exe
expect_info "read-only" "yes"
q 0 set note.exe --read-only off
q 0 info note.exe
expect_info "read-only" "no"
q --pipe 'pw1\n' 0 cat note.exe --passphrase-file -
check "the note opens after set off" same_bytes out.txt text.txt

# A note file with the read-only attribute is still rewritten, and left writable like every save.
cp note.exe locked.exe
chmod a-w locked.exe
q 0 rekey locked.exe --passphrase-file pass1.txt --new-passphrase-file pass2.txt
check "the rewrite leaves the file writable" test -w locked.exe -a "$(stat -c %A locked.exe | cut -c3)" = w

echo "== missing, foreign and damaged notes give 2 and never crash"
size=$(size_of note.exe)
cp note.exe good.exe
record=$((payload + 76))
head -c 7 note.exe >seven.bin
head -c $((size - 1)) note.exe >cut-1.exe
head -c $((size - 8)) note.exe >no-trailer.exe
cp record.bin record-long.bin && printf 'x' >>record-long.bin
damaged=(seven.bin empty.txt text.txt editor.exe cut-1.exe no-trailer.exe record-long.bin no-such-note.exe)
lie() {  # lie NAME OFFSET VALUE: a copy of the note with one 32-bit field replaced
    cp good.exe "$1"
    patch "$1" "$2" "$(le32 "$3")"
    damaged+=("$1")
}
lie block-too-long.exe $((size - 4)) $((size - 7))
lie block-short.exe $((size - 4)) $((record - 16))
lie payload-longer.exe $((image + 56)) $((payload + 16))
lie text-past-payload.exe $((image + 60)) $((payload + 1))
lie text-zero.exe $((image + 60)) 0
for note in "${damaged[@]}"; do
    [ -e "$note" ] && cp "$note" keep.bin
    q 2 info "$note"
    q --pipe 'pw1\n' 2 cat "$note" --passphrase-file -
    check "cat of $note prints no text" test ! -s out.txt
    q --pipe 'pw1\npw2\n' 2 rekey "$note" --passphrase-file -
    q 2 set "$note" --read-only on
    [ -e "$note" ] && check "$note is left unchanged" same_bytes "$note" keep.bin
done
check "no file is created for the missing note" test ! -e no-such-note.exe

# A flipped payload byte cannot be told from a wrong passphrase: the digest does not match.
cp good.exe payload-flipped.exe
patch payload-flipped.exe $((image + 76 + 5)) 00ff
q 0 info payload-flipped.exe
q --pipe 'pw1\n' 3 cat payload-flipped.exe --passphrase-file -

echo "== failed writes give 4 and leave every file as it was"
mkdir -p folder
q 4 seal --image editor.exe -o missing-folder/x.exe text.txt --passphrase-file pass1.txt
q 4 seal --image editor.exe -o folder text.txt --passphrase-file pass1.txt
check "the folder is still a folder, missing-folder was not made" test -d folder -a ! -e missing-folder
"${runner[@]}" "$tool" cat good.exe --passphrase-file pass1.txt >/dev/full 2>err.txt
rc=$?
checks=$((checks + 1))
[ "$rc" = 4 ] || fail "cat into a full disk exited with $rc, expected 4"

# A folder the user cannot write to. Root writes anywhere, so there the tool runs as nobody.
as_user=()
if [ "$(id -u)" = 0 ] && ! $under_wine && command -v setpriv >/dev/null &&
    setpriv --reuid=65534 --regid=65534 --clear-groups "$tool" --help >/dev/null 2>&1; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
if [ "$(id -u)" != 0 ] || [ ${#as_user[@]} -gt 0 ]; then
    mkdir -p locked
    cp good.exe locked/note.exe
    chmod 644 locked/note.exe pass1.txt pass2.txt text.txt && chmod 555 locked
    saved_runner=("${runner[@]}")
    runner=("${as_user[@]}" "${runner[@]}")
    q 4 rekey locked/note.exe --passphrase-file pass1.txt --new-passphrase-file pass2.txt
    q 4 set locked/note.exe --read-only on
    q 4 seal --image editor.exe -o locked/new.exe text.txt --passphrase-file pass1.txt
    runner=("${saved_runner[@]}")
    check "a failed rekey leaves the old note unchanged" same_bytes locked/note.exe good.exe
    check "nothing is written into the read-only folder" test "$(ls -A locked)" = note.exe
    chmod 755 locked
else
    echo "skipped: read-only folder (running as root without setpriv, or under Wine)"
fi
no_leftovers

finish
