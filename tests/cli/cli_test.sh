#!/usr/bin/env bash
# End-to-end tests of quillox-note as a user runs it: seal, info, cat, rekey and set, every exit
# code, damaged notes, failed writes that must leave the old note whole.
#
#   cli_test.sh WORK_FOLDER TOOL [RUNNER...]   (RUNNER: Wine for the Windows build, or valgrind)
source "$(dirname "$0")/lib.sh"

# The tool itself stands in for the editor: a real executable of the platform.
cp "$tool" editor.exe
image=$(size_of editor.exe)
printf 'pw1\n' >pass1.txt
printf 'pw2\r\n' >pass2.txt # a Windows line end is not part of the passphrase
printf 'pw3' >pass3.txt     # nor is a missing one
printf '' >empty.txt
printf 'memo' >memo.txt
# ASCII without line ends: stored and given back as it is on every platform (encodings and line
# ends are encoding_test.sh's).
{
    printf 'First part, a tab\t and a NUL: \0 here; '
    for i in $(seq 1 20); do printf 'part %02d of the note; ' "$i"; done
} >text.txt
text_len=$(size_of text.txt)
payload=$(((text_len + 15) / 16 * 16))
record=$((payload + 76))

echo "== usage errors give 1 and write nothing"
while read -r args; do
    # shellcheck disable=SC2086
    q 1 $args
done <<'EOF'

frobnicate note.exe
info
info a.exe b.exe
cat --bogus note.exe
cat note.exe --passphrase-file
set note.exe --read-only maybe
seal -o x.exe text.txt --passphrase-file pass1.txt
seal --image editor.exe --passphrase-file pass1.txt
seal --image editor.exe -o x.exe empty.txt --passphrase-file pass1.txt
seal --image editor.exe -o x.exe text.txt --passphrase-file no-such-file.txt
EOF
check "a refused seal writes no x.exe" test ! -e x.exe

echo "== seal, info and cat"
q 0 seal --image editor.exe -o note.exe text.txt --passphrase-file pass1.txt
check "note size is image + header + payload + trailer" \
    test "$(size_of note.exe)" -eq $((image + record + 8))
check "the note begins with the editor image" cmp -s -n "$image" editor.exe note.exe
q 0 info note.exe
expect_info "kind" "note executable" "editor image" "$image bytes" "text length" "$text_len bytes" \
    "payload length" "$payload bytes" "record" "$record bytes" "read-only" "no" \
    "editor sha-256" "$(sha256sum <editor.exe | cut -d' ' -f1)"
if [ ${#runner[@]} -eq 0 ]; then # JSON keeps UTF-8 and escapes what is not, even cut at the end
    cp note.exe $'a\xc2\xa0b\t\xe2\x82' && q 0 info --json $'a\xc2\xa0b\t\xe2\x82'
    check "info --json escapes the name" grep -qF $'"file": "a\xc2\xa0b\\u0009\\u00e2\\u0082"' out.txt
fi
# Text from a pipe, the passphrase from a file with a Windows line end; an image that is itself a
# note gives its editor part, and the output name follows the text file's. An empty passphrase
# is a passphrase.
q --in text.txt 0 seal --image note.exe -o piped.exe - --passphrase-file pass2.txt
q 0 seal --image piped.exe memo.txt --passphrase-file pass3.txt
q 0 info memo.exe
expect_info "editor image" "$image bytes" "payload length" "16 bytes"
printf '\n' >blank-pass.txt
q 0 seal --image editor.exe -o blank.exe memo.txt --passphrase-file blank-pass.txt
# The record alone (what follows the image, less the trailer) is read as a note too.
tail -c +$((image + 1)) note.exe | head -c $record >record.bin
q 0 info record.bin
expect_info "kind" "record file"
while read -r note pass want text; do
    q --pipe "$pass" "$want" cat "$note" --passphrase-file -
    check "cat $note with $pass gives ${text:-no text}" cmp -s out.txt "${text:-empty.txt}"
done <<'EOF'
note.exe pw1\n 0 text.txt
note.exe pw2\n 3
note.exe PW1\n 3
note.exe pw1\x20\n 3
piped.exe pw2\n 0 text.txt
memo.exe pw3\n 0 memo.txt
blank.exe \n 0 memo.txt
blank.exe \x20\n 3
record.bin pw1\n 0 text.txt
EOF
# A record file is no editor to seal with and has none to keep on a rekey.
q --pipe 'pw1\npw2\n' 1 rekey record.bin --passphrase-file -
q 2 seal --image record.bin -o odd.exe memo.txt --passphrase-file pass1.txt
check "a refused seal writes no odd.exe" test ! -e odd.exe

echo "== rekey"
cp note.exe before.exe
q --pipe 'wrong\nnew\n' 3 rekey note.exe --passphrase-file -
q 1 rekey note.exe --passphrase-file pass1.txt --new-passphrase-file no-such-file.txt
q --pipe 'pw1\n' 1 rekey note.exe --passphrase-file -
check "a failed rekey leaves the note unchanged" cmp -s note.exe before.exe
q --pipe 'pw1\npw2\n' 0 rekey note.exe --passphrase-file -
check "rekey keeps the editor image" cmp -s -n "$image" editor.exe note.exe
check "rekey keeps the note's size" test "$(size_of note.exe)" -eq "$(size_of before.exe)"
q --pipe 'pw1\n' 3 cat note.exe --passphrase-file -
q 0 rekey note.exe --passphrase-file pass2.txt --new-passphrase-file pass3.txt
q --in pass3.txt 0 cat note.exe --passphrase-file -
check "the rekeyed note gives the same text" cmp -s out.txt text.txt

echo "== set --read-only"
cp note.exe before.exe
q 0 set note.exe --read-only on
q 0 info note.exe
expect_info "read-only" "yes"
changed=$(cmp -l before.exe note.exe | awk '{print $1 - 1}' | sort -u | tr '\n' ' ')
check "set changes the flags field only (changed offsets: $changed)" test "$changed" = "$((image + 64)) "
q 0 rekey note.exe --passphrase-file pass3.txt --new-passphrase-file pass1.txt
q 0 info note.exe
expect_info "read-only" "yes"
q 0 set note.exe --read-only off
q 0 info note.exe
expect_info "read-only" "no"
q --pipe 'pw1\n' 0 cat note.exe --passphrase-file -
check "the note opens after set off" cmp -s out.txt text.txt
# A note file with the read-only attribute is still rewritten, and left writable like every save.
cp note.exe locked.exe
chmod a-w locked.exe
q 0 rekey locked.exe --passphrase-file pass1.txt --new-passphrase-file pass2.txt
check "the rewrite leaves the file writable" test -w locked.exe -a "$(stat -c %A locked.exe | cut -c3)" = w

echo "== missing, foreign and damaged notes give 2 and never crash"
size=$(size_of note.exe)
cp note.exe good.exe
head -c 7 note.exe >seven.bin
head -c $((size - 1)) note.exe >cut-1.exe
head -c $((size - 8)) note.exe >no-trailer.exe
cp record.bin record-long.bin && printf 'x' >>record-long.bin
damaged=(seven.bin empty.txt text.txt editor.exe cut-1.exe no-trailer.exe record-long.bin no-such-note.exe)
# A copy of the note with one little-endian 32-bit field replaced: NAME OFFSET VALUE.
while read -r name offset value; do
    cp good.exe "$name"
    patch "$name" "$offset" "$(printf '%08x' "$value" | sed 's/\(..\)\(..\)\(..\)\(..\)/\4\3\2\1/')"
    damaged+=("$name")
done <<EOF
block-too-long.exe $((size - 4)) $((size - 7))
block-short.exe $((size - 4)) $((record - 16))
payload-longer.exe $((image + 56)) $((payload + 16))
text-past-payload.exe $((image + 60)) $((payload + 1))
text-zero.exe $((image + 60)) 0
EOF
for note in "${damaged[@]}"; do
    [ -e "$note" ] && cp "$note" keep.bin
    q 2 info "$note"
    q --pipe 'pw1\n' 2 cat "$note" --passphrase-file -
    check "cat of $note prints no text" test ! -s out.txt
    q --pipe 'pw1\npw2\n' 2 rekey "$note" --passphrase-file -
    q 2 set "$note" --read-only on
    [ -e "$note" ] && check "$note is left unchanged" cmp -s "$note" keep.bin
done
check "no file is created for the missing note" test ! -e no-such-note.exe
q 2 verify block-too-long.exe
check "verify says the trailer claims too much" grep -q "claims more bytes than the file has" out.txt
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
check "cat into a full disk exits with 4" test $? = 4
# A folder the user cannot write to. Root writes anywhere, so there the tool runs as nobody.
as_user=()
if [ "$(id -u)" = 0 ] && [[ "${runner[*]:-}" != *wine* ]] && command -v setpriv >/dev/null &&
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
    check "a failed rekey leaves the old note unchanged" cmp -s locked/note.exe good.exe
    check "nothing is written into the read-only folder" test "$(ls -A locked)" = note.exe
    chmod 755 locked
else
    echo "skipped: read-only folder (running as root without setpriv, or under Wine)"
fi
finish
