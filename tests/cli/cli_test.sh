#!/usr/bin/env bash
# End-to-end tests of quillox-note as a user runs it: every command and exit code, text
# encodings, damaged notes, the upkeep commands (reimage, verify, salvage, --json) and failed
# writes that must leave the old note whole.
#
#   cli_test.sh WORK_FOLDER TOOL [RUNNER...]   (RUNNER: Wine for the Windows build, or valgrind)
source "$(dirname "$0")/lib.sh"

sha() { sha256sum | cut -d' ' -f1; }
json() { python3 -c "import json; d=json.load(open('out.txt', encoding='utf-8')); print($1)"; }

# A PE image of the headers and N more bytes (the tool never runs the editor part, it checks it).
pe() { printf 'MZ%58s\x40\0\0\0PE\0\0\x64\x86\x01\0' '' && head -c "$1" /dev/zero; }
# Two editor builds that differ in one byte: the tool itself where it is a Windows executable.
if [ "$(head -c 2 "$tool")" = MZ ]; then
    cp "$tool" editor.exe
else
    pe 5000 >editor.exe
fi
cp editor.exe b.exe && flip b.exe 100
image=$(size_of editor.exe)
printf 'pw1\n' >pass1.txt
printf 'pw2\r\n' >pass2.txt # a Windows line end is not part of the passphrase
printf 'pw3' >pass3.txt     # nor is a missing one
printf '' >empty.txt
printf 'memo' >memo.txt
# ASCII without line ends: stored and given back as it is on every platform.
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
cat --codepage x note.exe --passphrase-file pass1.txt
set note.exe --read-only maybe
seal -o x.exe text.txt --passphrase-file pass1.txt
seal --image editor.exe --passphrase-file pass1.txt
seal --image editor.exe -o x.exe empty.txt --passphrase-file pass1.txt
seal --image editor.exe -o x.exe text.txt --passphrase-file no-such-file.txt
reimage note.exe
salvage -o x.exe note.exe
verify --image editor.exe
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
    "editor sha-256" "$(sha <editor.exe)"
q 0 info --json note.exe
check "info --json: the same fingerprint and lengths as the words" test "$(json \
    'd["editor_sha256"], d["editor_image_bytes"], d["text_length"], d["read_only"], d["encoding"]')" \
    = "$(sha <editor.exe) $image $text_len False ansi"
if [ ${#runner[@]} -eq 0 ]; then
    # Names Windows cannot have: JSON escapes quotes and controls, keeps well-formed UTF-8 up to
    # the edges of each lead byte's range and the name's end, and gives every other byte as its
    # own code point.
    odd=$'q"u\\o\t' want='q"u\\o\t'
    while read -r bytes text; do
        odd+=$(printf "$bytes") want+=$text
    done <<'EOF'
\xc2\xa0\xdf\xbf \u00a0\u07ff
\xe0\xa0\x80\xed\x9f\xbf \u0800\ud7ff
\xf0\x90\x80\x80\xf4\x8f\xbf\xbf \U00010000\U0010ffff
\xc1\xbf\xf5\x80 \u00c1\u00bf\u00f5\u0080
\xe0\x9f\xbf\xed\xa0\x80 \u00e0\u009f\u00bf\u00ed\u00a0\u0080
\xf0\x8f\xbf\xbf\xf4\x90\x80\x80 \u00f0\u008f\u00bf\u00bf\u00f4\u0090\u0080\u0080
\xe9\xe2\x82 \u00e9\u00e2\u0082
\xc3\xa9 \u00e9
EOF
    cp note.exe "$odd"
    q 0 info --json "$odd"
    check "JSON escapes the name" test "$(json "d['file'] == '$want'")" = True
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
# An editor part that begins with seven bytes of the record's magic is an editor part like any.
printf 'QUiLLX*!' >lookalike.exe
q 0 seal --image lookalike.exe -o lookalike-note.exe memo.txt --passphrase-file pass3.txt
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
lookalike-note.exe pw3\n 0 memo.txt
EOF
# A record file is no editor to seal with and has none to keep on a rekey.
q --pipe 'pw1\npw2\n' 1 rekey record.bin --passphrase-file -
q 2 seal --image record.bin -o odd.exe memo.txt --passphrase-file pass1.txt
check "a refused seal writes no odd.exe" test ! -e odd.exe

echo "== text encodings: what seal stores, cat and cat --raw give back, info reports"
# The platform's line end: what a text file has and cat gives back; the note holds CR LF.
nl='\n'
[[ "${runner[*]:-}" == *wine* ]] && nl='\r\n'
# file bytes | cat output | stored bytes | text encoding
while IFS='|' read -r file shown stored encoding; do
    printf "$file" >in.txt
    printf "$shown" >shown.txt
    printf "$stored" >stored.txt
    q 0 seal --image editor.exe -o enc.exe in.txt --passphrase-file pass1.txt
    q 0 info enc.exe
    expect_info "text encoding" "$encoding"
    q 0 cat enc.exe --passphrase-file pass1.txt
    check "cat gives $shown for $file" cmp -s out.txt shown.txt
    q 0 cat --raw enc.exe --passphrase-file pass1.txt
    check "the note stores $stored for $file" cmp -s out.txt stored.txt
done <<EOF
one${nl}two|one${nl}two|one\r\ntwo|ANSI code page
Gr\xc3\xbc\xc3\x9fe${nl}\xd0\x9f \xf0\x9f\x98\x80|Gr\xc3\xbc\xc3\x9fe${nl}\xd0\x9f \xf0\x9f\x98\x80|Gr\xc3\xbc\xc3\x9fe\r\n\xd0\x9f \xf0\x9f\x98\x80|UTF-8
\xef\xbb\xbfcaf\xc3\xa9|caf\xc3\xa9|caf\xc3\xa9|UTF-8
\xff\xfe\x1f\x04\x3d\xd8\x00\xde|\xd0\x9f\xf0\x9f\x98\x80|\xd0\x9f\xf0\x9f\x98\x80|UTF-8
\xfe\xff\x00\xe9|\xc3\xa9|\xc3\xa9|UTF-8
caf\xe9 \x80|caf\xc3\xa9 \xe2\x82\xac|caf\xc3\xa9 \xe2\x82\xac|UTF-8
EOF

echo "== rekey and set --read-only"
cp note.exe before.exe
steps <<'EOF'
3|wrong\nnew\n|rekey note.exe --passphrase-file -|
1||rekey note.exe --passphrase-file pass1.txt --new-passphrase-file no-such-file.txt|
1|pw1\n|rekey note.exe --passphrase-file -|cmp -s note.exe before.exe
0|pw1\npw2\n|rekey note.exe --passphrase-file -|cmp -s -n $image editor.exe note.exe && test $(size_of note.exe) = $(size_of before.exe)
3|pw1\n|cat note.exe --passphrase-file -|
0||rekey note.exe --passphrase-file pass2.txt --new-passphrase-file pass3.txt|
0|pw3\n|cat note.exe --passphrase-file -|cmp -s out.txt text.txt && cp note.exe before.exe
0||set note.exe --read-only on|test "$(cmp -l before.exe note.exe | awk '{print $1 - 1}')" = $((image + 64))
0||rekey note.exe --passphrase-file pass3.txt --new-passphrase-file pass1.txt|
0||info note.exe|expect_info "read-only" "yes"
0||set note.exe --read-only off|
0||info note.exe|expect_info "read-only" "no"
0|pw1\n|cat note.exe --passphrase-file -|cmp -s out.txt text.txt
EOF
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
# A copy of the note with one little-endian 32-bit field replaced: NAME OFFSET VALUE (the
# record's own length checks are the unit tests').
while read -r name offset value; do
    cp good.exe "$name"
    patch "$name" "$offset" "$(printf '%08x' "$value" | sed 's/\(..\)\(..\)\(..\)\(..\)/\4\3\2\1/')"
    damaged+=("$name")
done <<EOF
block-too-long.exe $((size - 4)) $((size - 7))
block-short.exe $((size - 4)) $((record - 16))
text-past-payload.exe $((image + 60)) $((payload + 1))
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
# A flipped payload byte cannot be told from a wrong passphrase: the digest does not match.
cp good.exe flipped.exe && flip flipped.exe $((image + 80))
q 0 info flipped.exe
q --pipe 'pw1\n' 3 cat flipped.exe --passphrase-file -

echo "== reimage: a new editor part, the record byte for byte"
cp good.exe re.exe
chmod a-w re.exe
steps <<'EOF'
0||reimage --image b.exe re.exe|cmp -s -n $image b.exe re.exe && cmp -s <(tail -c +$((image + 1)) good.exe) <(tail -c +$((image + 1)) re.exe)
0||reimage --image b.exe re.exe|grep -q "re.exe: unchanged" out.txt && test $(stat -c %A re.exe | cut -c3) = -
EOF
chmod u+w re.exe
# An editor that carries a note gives its editor part only: back to the original bytes. The notes
# of a list that can be done are done; a refused reimage leaves the note as it was.
steps <<'EOF'
2||reimage --image good.exe re.exe text.txt|cmp -s re.exe good.exe
1||reimage --image editor.exe record.bin|
2||reimage --image record.bin re.exe|
2||reimage --image text.txt re.exe|cmp -s re.exe good.exe
EOF

echo "== verify: one line per note, the highest exit code"
cp good.exe other-editor.exe
q 0 reimage --image b.exe other-editor.exe
head -c $((size - 3)) good.exe >cut.exe
q 0 seal --image text.txt -o on-text.exe memo.txt --passphrase-file pass1.txt
pe 16 >tiny.exe # the shortest editor part that holds both headers
q 0 seal --image tiny.exe -o on-tiny.exe memo.txt --passphrase-file pass1.txt
while read -r want args; do
    # shellcheck disable=SC2086
    q "$want" verify $args
done <<'EOF'
0 good.exe other-editor.exe flipped.exe on-tiny.exe
2 good.exe cut.exe
3 --passphrase-file pass1.txt good.exe flipped.exe
3 --passphrase-file pass1.txt good.exe memo.exe
5 --image editor.exe good.exe other-editor.exe cut.exe
0 --image good.exe --passphrase-file pass1.txt good.exe
2 --image record.bin good.exe
2 block-too-long.exe
EOF
check "verify says the trailer claims too much" grep -q "claims more bytes than the file has" out.txt
list="good.exe other-editor.exe cut.exe memo.exe record.bin on-text.exe no-such.exe"
# shellcheck disable=SC2086
q 5 verify --image editor.exe --passphrase-file pass1.txt $list
while IFS='|' read -r note words; do
    check "verify says \"$note: $words\"" grep -qF "$note: $words" out.txt
done <<'EOF'
good.exe|ok
other-editor.exe|editor part differs from editor.exe (reimage
cut.exe|no note trailer
memo.exe|the passphrase does not open it
record.bin|a bare record
on-text.exe|editor part: not a Windows executable
no-such.exe|no such file
EOF
# shellcheck disable=SC2086
q 5 verify --json --image editor.exe --passphrase-file pass1.txt $list
check "verify --json: one object per note with its exit code" \
    test "$(json '" ".join(str(n["exit"]) for n in d)')" = "0 5 2 3 2 2 2"

echo "== salvage: damaged ends, recovered against the original text"
cp good.exe appended.exe && printf 'bytes a sync tool added' >>appended.exe
cp good.exe overwritten.exe && patch overwritten.exe $((size - 8)) 0000000000000000
{ head -c $((size - 8)) good.exe; tail -c +$((image + 1)) memo.exe; } >two.exe
while read -r damaged pass want; do
    rm -f saved.exe && cp "$damaged" before.bin
    extra=() && [ "$pass" != - ] && extra=(--passphrase-file "$pass")
    q 0 salvage --image b.exe -o saved.exe "${extra[@]}" "$damaged"
    key=$pass && [ "$pass" = - ] && key=pass1.txt && [ "$want" = memo.txt ] && key=pass3.txt
    q 0 verify --image b.exe --passphrase-file "$key" saved.exe
    q 0 cat saved.exe --passphrase-file "$key"
    check "salvage of $damaged gives $want" cmp -s out.txt "$want"
    check "salvage leaves $damaged as it was" cmp -s "$damaged" before.bin
done <<'EOF'
appended.exe - text.txt
cut.exe - text.txt
overwritten.exe pass1.txt text.txt
record-long.bin - text.txt
two.exe - memo.txt
two.exe pass1.txt text.txt
EOF
rm -f saved.exe
head -c $((image + 100)) good.exe >cut-in-payload.exe
for damaged in editor.exe cut-in-payload.exe; do
    q 2 salvage --image b.exe -o saved.exe "$damaged"
done
q 3 salvage --image b.exe -o saved.exe --passphrase-file pass1.txt memo.exe
q 1 salvage --image b.exe -o cut.exe cut.exe
check "a refused salvage writes nothing" test ! -e saved.exe

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
