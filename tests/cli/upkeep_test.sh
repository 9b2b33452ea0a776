#!/usr/bin/env bash
# End-to-end tests of the commands that carry notes forward: info's fingerprint and JSON,
# reimage, verify over mixed lists (with --image, a passphrase and --json), salvage over a table
# of damages.
#
#   upkeep_test.sh WORK_FOLDER TOOL [RUNNER...]
source "$(dirname "$0")/lib.sh"

sha() { sha256sum | cut -d' ' -f1; }
record() { tail -c +$((image + 1)) "$1"; }  # what follows the editor part: record and trailer
json() { python3 -c "import json,sys; d=json.load(open('out.txt')); print($1)"; }

# Two editor builds that differ in one byte: the tool itself where it is a Windows executable,
# elsewhere a minimal PE image (the tool never runs the editor part, it only checks it).
if [ "$(head -c 2 "$tool")" = MZ ]; then
    cp "$tool" a.exe
else
    { printf 'MZ%58s\x40\0\0\0PE\0\0\x64\x86\x01\0' ''; head -c 5000 /dev/urandom; } >a.exe
fi
cp a.exe b.exe && flip b.exe 100
image=$(size_of a.exe)
printf 'pw\n' >pw.txt
printf 'other\n' >other.txt
# No line ends and no bytes beyond ASCII: cat gives the text back as it is on every platform.
{ printf 'First line, a NUL \0 and more: '; seq -s ' ' 1 300 | tr -d '\n'; } >text.txt
printf 'the second note' >text2.txt
q 0 seal --image a.exe -o good.exe text.txt --passphrase-file pw.txt
q 0 seal --image a.exe -o wrong.exe text2.txt --passphrase-file other.txt
size=$(size_of good.exe)
record good.exe | head -c $((size - image - 8)) >record.bin

echo "== info: the editor part's fingerprint, in words and in JSON"
q 0 info good.exe
expect_info "editor sha-256" "$(head -c "$(info_field 'editor image' | cut -d' ' -f1)" good.exe | sha)"
expect_info "editor sha-256" "$(sha <a.exe)"
q 0 info --json good.exe
check "info --json: the same fingerprint and lengths as the words" test "$(json \
    'd["editor_sha256"], d["editor_image_bytes"], d["text_length"], d["read_only"], d["encoding"]')" \
    = "$(sha <a.exe) $image $(size_of text.txt) False ansi"
if [ ${#runner[@]} -eq 0 ]; then  # names Windows cannot have: quotes, control and non-UTF-8 bytes
    odd=$'q"u\\o\t\xe9.exe'
    cp good.exe "$odd"
    q 0 info --json "$odd"
    check "JSON escapes the path" test "$(json 'd["file"] == "q\"u\\o\t\u00e9.exe"')" = True
fi

echo "== reimage: a new editor part, the record byte for byte"
cp good.exe note.exe
chmod a-w note.exe
q 0 reimage --image b.exe note.exe
check "reimage keeps record and trailer" cmp -s <(record good.exe) <(record note.exe)
check "reimage puts b.exe's editor part in" cmp -s -n "$image" b.exe note.exe
check "reimage keeps the read-only attribute" test "$(stat -c %A note.exe | cut -c3)" = -
q 0 reimage --image b.exe note.exe
check "a note already on the editor is unchanged" grep -q "note.exe: unchanged" out.txt
# An editor that carries a note gives its editor part only: back to the original bytes.
chmod u+w note.exe
q 2 reimage --image good.exe note.exe text.txt
check "the notes of a list that can be done are done" cmp -s note.exe good.exe
q 1 reimage note.exe
q 1 reimage --image a.exe record.bin
q 2 reimage --image record.bin note.exe
q 2 reimage --image text.txt note.exe
check "a refused reimage leaves the note as it was" cmp -s note.exe good.exe

echo "== verify: one line per note, the highest exit code"
cp good.exe other-editor.exe
q 0 reimage --image b.exe other-editor.exe
head -c $((size - 3)) good.exe >cut.exe
cp good.exe flipped.exe && flip flipped.exe $((image + 80))
q 0 seal --image text.txt -o on-text.exe text2.txt --passphrase-file pw.txt
while read -r want args; do
    # shellcheck disable=SC2086
    q "$want" verify $args
done <<'EOF'
0 good.exe other-editor.exe flipped.exe
2 good.exe cut.exe
3 --passphrase-file pw.txt good.exe flipped.exe
3 --passphrase-file pw.txt good.exe wrong.exe
5 --image a.exe good.exe other-editor.exe cut.exe
0 --image good.exe --passphrase-file pw.txt good.exe
1 --image a.exe
2 --image record.bin good.exe
EOF
list="good.exe other-editor.exe cut.exe wrong.exe record.bin on-text.exe no-such.exe"
# shellcheck disable=SC2086
q 5 verify --image a.exe --passphrase-file pw.txt $list
while IFS='|' read -r note words; do
    check "verify says \"$note: $words\"" grep -qF "$note: $words" out.txt
done <<'EOF'
good.exe|ok
other-editor.exe|editor part differs from a.exe (reimage
cut.exe|no note trailer
wrong.exe|the passphrase does not open it
record.bin|a bare record
on-text.exe|editor part: not a Windows executable
no-such.exe|no such file
EOF
# shellcheck disable=SC2086
q 5 verify --json --image a.exe --passphrase-file pw.txt $list
check "verify --json: one object per note with its exit code" \
    test "$(json '" ".join(str(n["exit"]) for n in d)')" = "0 5 2 3 2 2 2"

echo "== salvage: damaged ends, recovered against the original text"
cp good.exe appended.exe && printf 'bytes a sync tool added' >>appended.exe
cp good.exe overwritten.exe && patch overwritten.exe $((size - 8)) 0000000000000000
cp record.bin record-long.bin && printf 'zz' >>record-long.bin
{ head -c $((size - 8)) good.exe; record wrong.exe; } >two.exe
while read -r damaged pass want; do
    rm -f saved.exe && cp "$damaged" before.bin
    extra=() && [ "$pass" != - ] && extra=(--passphrase-file "$pass")
    q 0 salvage --image b.exe -o saved.exe "${extra[@]}" "$damaged"
    key=$pass && [ "$pass" = - ] && key=pw.txt && [ "$want" = text2.txt ] && key=other.txt
    q 0 verify --image b.exe --passphrase-file "$key" saved.exe
    q 0 cat saved.exe --passphrase-file "$key"
    check "salvage of $damaged gives $want" cmp -s out.txt "$want"
    check "salvage leaves $damaged as it was" cmp -s "$damaged" before.bin
done <<'EOF'
appended.exe - text.txt
cut.exe - text.txt
overwritten.exe pw.txt text.txt
record-long.bin - text.txt
two.exe - text2.txt
two.exe pw.txt text.txt
EOF
rm -f saved.exe
q 2 salvage --image b.exe -o saved.exe a.exe
q 3 salvage --image b.exe -o saved.exe --passphrase-file pw.txt wrong.exe
q 1 salvage --image b.exe -o cut.exe cut.exe
q 1 salvage -o saved.exe cut.exe
check "a refused salvage writes nothing" test ! -e saved.exe
finish
