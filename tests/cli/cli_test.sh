#!/usr/bin/env bash
# quillox-note end to end, as a user runs it: every command and exit code, text encodings, damaged
# notes, upkeep (reimage, verify, salvage, --json) and failed writes that must leave notes whole.
#   cli_test.sh WORK_FOLDER TOOL [RUNNER...]   (RUNNER: Wine for the Windows build, or valgrind)
hook=$(realpath "$(dirname "$0")/free_hook.c")
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
image=$(wc -c <editor.exe)
printf 'pw1\n' >pass1.txt
printf 'pw2\r\n' >pass2.txt # a Windows line end is not part of the passphrase
printf 'pw3' >pass3.txt     # nor is a missing one
printf '' >empty.txt
printf 'memo' >memo.txt
# ASCII without line ends: stored and given back as it is on every platform.
printf 'First part, a tab\t and a NUL: \0 here; ' >text.txt
printf 'part %02d of the note; ' $(seq 1 20) >>text.txt
text_len=$(wc -c <text.txt)
payload=$(((text_len + 15) / 16 * 16))
record=$((payload + 76))

echo "== usage errors give 1 and write nothing"
steps <<'EOF'
1|
1||frobnicate note.exe
1||info|grep -q "info needs a NOTE" err.txt
1||info a.exe b.exe
1||cat --bogus note.exe|grep -q "unknown option --bogus" err.txt
1||cat note.exe --passphrase-file|grep -q "needs a value" err.txt
1||cat --codepage x note.exe --passphrase-file pass1.txt|grep -q "needs a code page number" err.txt
1||set note.exe --read-only maybe
1||set note.exe --read-only|grep -q "needs a value" err.txt
1||seal -o x.exe text.txt --passphrase-file pass1.txt
1||seal --image editor.exe --passphrase-file pass1.txt
1||seal --image editor.exe -o x.exe empty.txt --passphrase-file pass1.txt
1||seal --image editor.exe -o x.exe text.txt --passphrase-file no-such-file.txt
1||reimage note.exe
1||salvage -o x.exe note.exe
1||verify --image editor.exe|test ! -e x.exe
EOF

echo "== seal, info and cat"
q 0 seal --image editor.exe -o note.exe text.txt --passphrase-file pass1.txt
# A name outside every ANSI code page: on Windows the arguments are taken as UTF-16.
q 0 seal --image note.exe -o "Заметки 日記.exe" text.txt --passphrase-file pass1.txt
q 0 info "Заметки 日記.exe"
q 0 info note.exe
expect_info "kind" "note executable" "editor image" "$image bytes" "text length" "$text_len bytes" \
    "payload length" "$payload bytes" "record" "$record bytes" "read-only" "no" \
    "editor sha-256" "$(sha <editor.exe)"
q 0 info --json note.exe
check "info --json: the same fingerprint and lengths as the words" test "$(json \
    'd["editor_sha256"], d["editor_image_bytes"], d["textLength"], d["read_only"], d["encoding"]')" \
    = "$(sha <editor.exe) $image $text_len False ansi"
if [ ${#runner[@]} -eq 0 ]; then
    # Names Windows cannot have: JSON escapes quotes and controls, keeps well-formed UTF-8 (at the
    # edges of each lead byte's range, at the name's end) and gives other bytes as code points.
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
# Text from a pipe; an image that is itself a note gives its editor part (verify checks that of
# memo.exe); the output name follows the text file's.
q --in text.txt 0 seal --image note.exe -o piped.exe - --passphrase-file pass2.txt
q 0 seal --image piped.exe memo.txt --passphrase-file pass3.txt
# The record alone (what follows the image, less the trailer) is read as a note too.
tail -c +$((image + 1)) note.exe | head -c $record >record.bin
q 0 info record.bin
expect_info "kind" "record file"
# An editor part that begins with seven bytes of the record's magic is an editor part like any.
printf 'QUiLLX*!' >lookalike.exe
q 0 seal --image lookalike.exe -o lookalike-note.exe memo.txt --passphrase-file pass3.txt
# The last two: a record file is no editor to seal with and has none to keep on a rekey.
steps <<'EOF'
1||seal --image editor.exe -o note.exe memo.txt --passphrase-file pass1.txt|grep -q "exists already" err.txt
0|pw1\n|cat note.exe --passphrase-file -|cmp -s out.txt text.txt
1|pw1\n|cat --codepage 65535 note.exe --passphrase-file -|grep -q "page 65535 is not known" err.txt
3|pw2\n|cat note.exe --passphrase-file -|test ! -s out.txt
3|PW1\n|cat note.exe --passphrase-file -
3|pw1\x20\n|cat note.exe --passphrase-file -
0|pw2\n|cat piped.exe --passphrase-file -|cmp -s out.txt text.txt
0|pw3\n|cat memo.exe --passphrase-file -|cmp -s out.txt memo.txt
0|pw1\n|cat record.bin --passphrase-file -|cmp -s out.txt text.txt
0|pw3\n|cat lookalike-note.exe --passphrase-file -|cmp -s out.txt memo.txt
1|pw1\npw2\n|rekey record.bin --passphrase-file -
2||seal --image record.bin -o odd.exe memo.txt --passphrase-file pass1.txt|test ! -e odd.exe
EOF

echo "== text encodings: what seal stores, cat and cat --raw give back, info reports"
# The platform's line end: what a text file has and cat gives back; the note holds CR LF.
nl='\n'
[[ "${runner[*]:-}" == *wine* ]] && nl='\r\n'
# file bytes | cat output | stored bytes | text encoding
while IFS='|' read -r file shown stored encoding; do
    printf "$file" >in.txt
    q 0 seal --force --image editor.exe -o enc.exe in.txt --passphrase-file pass1.txt
    q 0 info enc.exe
    expect_info "text encoding" "$encoding"
    q 0 cat enc.exe --passphrase-file pass1.txt
    check "cat gives $shown for $file" cmp -s out.txt <(printf "$shown")
    q 0 cat --raw enc.exe --passphrase-file pass1.txt
    check "the note stores $stored for $file" cmp -s out.txt <(printf "$stored")
done <<EOF
one${nl}two|one${nl}two|one\r\ntwo|ANSI code page
Gr\xc3\xbc\xc3\x9fe${nl}\xd0\x9f \xf0\x9f\x98\x80|Gr\xc3\xbc\xc3\x9fe${nl}\xd0\x9f \xf0\x9f\x98\x80|Gr\xc3\xbc\xc3\x9fe\r\n\xd0\x9f \xf0\x9f\x98\x80|UTF-8
\xef\xbb\xbfcaf\xc3\xa9|caf\xc3\xa9|caf\xc3\xa9|UTF-8
\xff\xfe\x1f\x04\x3d\xd8\x00\xde|\xd0\x9f\xf0\x9f\x98\x80|\xd0\x9f\xf0\x9f\x98\x80|UTF-8
\xfe\xff\x00\xe9|\xc3\xa9|\xc3\xa9|UTF-8
caf\xe9 \x80|caf\xc3\xa9 \xe2\x82\xac|caf\xc3\xa9 \xe2\x82\xac|UTF-8
EOF

echo "== passphrases: the same key from UTF-8 and UTF-16 files, older keys, refusals, strength"
# "Grüße ключ" in UTF-8, UTF-16 LE and BE; older forms of it: an older editor's ("?" for each
# character outside code page 1252) and an older tool's of "Grüße" (UTF-8 bytes, each hashed as is).
printf 'Gr\xc3\xbc\xc3\x9fe \xd0\xba\xd0\xbb\xd1\x8e\xd1\x87\r\n' >u8.txt
{ printf '\xff\xfe' && tr -d '\r\n' <u8.txt | iconv -f UTF-8 -t UTF-16LE; } >le.txt
{ printf '\xfe\xff' && iconv -f UTF-8 -t UTF-16BE <u8.txt; } >be.txt
printf '\xef\xbb\xbfGr\xc3\xbc\xc3\x9fe \xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\n' >other.txt
printf 'Gr\xc3\xbc\xc3\x9fe ????' >marks.txt
printf 'Gr\xc3\xbc\xc3\x9fe' >plain.txt
printf '\xd0\xba\xd0\xbb\xd1\x8e\xd1\x87' >cyr.txt
python3 -c "open('oldtool.txt','wb').write('Grüße'.encode().decode('cp1252').encode())"
printf 'k8#Vq2!mZp7@Lw4x' >strong.txt
steps <<'EOF'
0||seal --image editor.exe -o pp.exe memo.txt --passphrase-file le.txt
0||cat pp.exe --passphrase-file u8.txt|cmp -s out.txt memo.txt
0||cat pp.exe --passphrase-file be.txt|cmp -s out.txt memo.txt
3||cat pp.exe --passphrase-file other.txt
3||cat pp.exe --passphrase-file marks.txt
0||seal --image editor.exe -o marks.exe memo.txt --passphrase-file marks.txt|grep -q "weak .* guess it in" err.txt
0||cat marks.exe --passphrase-file u8.txt|grep -q "weakened form" err.txt && cmp -s out.txt memo.txt
0||verify --passphrase-file le.txt marks.exe pp.exe|grep -q "marks.exe: opens only with the weakened" out.txt && grep -q "pp.exe: ok" out.txt
0||seal --image editor.exe -o oldtool.exe memo.txt --passphrase-file oldtool.txt
0||cat oldtool.exe --passphrase-file plain.txt|test ! -s err.txt && cmp -s out.txt memo.txt
0||seal --image editor.exe -o cp.exe memo.txt --codepage 1251 --passphrase-file cyr.txt
3||cat cp.exe --passphrase-file cyr.txt
0||cat cp.exe --codepage 1251 --passphrase-file cyr.txt|cmp -s out.txt memo.txt
1|\n|seal --image editor.exe -o x.exe memo.txt --passphrase-file -|grep -q "passphrase is empty" err.txt && test ! -e x.exe
1|a\0b|seal --image editor.exe -o x.exe memo.txt --passphrase-file -|grep -q "NUL" err.txt && test ! -e x.exe
0||seal --image editor.exe -o x.exe memo.txt --passphrase-file strong.txt|test ! -s err.txt
EOF

if [ ${#runner[@]} -eq 0 ]; then
    # On a terminal: a weak passphrase is used only on "y"; Ctrl+C at a prompt gives the echo back.
    tty() {  # tty EXPECTED_EXIT ECHO_AFTER INPUT... ARGS: each input line typed at a prompt
        check "on a terminal: $*" python3 - "$tool" "$@" <<'PY'
import os, pty, signal, sys, termios, time
tool, want, echo, *rest = sys.argv[1:]
lines, args = rest[:rest.index("--")], rest[rest.index("--") + 1:]
pid, fd = pty.fork()
if pid == 0:
    os.execv(tool, [tool] + args)
for line in lines:
    time.sleep(0.3)
    os.kill(pid, signal.SIGINT) if line == "^C" else os.write(fd, line.encode() + b"\n")
time.sleep(0.3)
echoed = bool(termios.tcgetattr(fd)[3] & termios.ECHO)
_, status = os.waitpid(pid, 0)
sys.exit(not (os.waitstatus_to_exitcode(status) == int(want) and str(echoed) == echo))
PY
    }
    tty 1 True abc123 abc123 n -- seal --image editor.exe -o t.exe memo.txt
    check "no note after No" test ! -e t.exe
    tty 0 True abc123 abc123 y -- seal --image editor.exe -o t.exe memo.txt
    tty -2 True ^C -- cat t.exe
fi

echo "== rekey and set --read-only"
cp note.exe before.exe
steps <<'EOF'
3|wrong\nnew\n|rekey note.exe --passphrase-file -|
1||rekey note.exe --passphrase-file pass1.txt --new-passphrase-file no-such-file.txt|
1|pw1\n|rekey note.exe --passphrase-file -|cmp -s note.exe before.exe
0|pw1\npw2\n|rekey note.exe --passphrase-file -|cmp -s -n $image editor.exe note.exe && test $(wc -c <note.exe) = $(wc -c <before.exe)
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

echo "== missing, foreign and damaged notes give 2 and never crash"
size=$(wc -c <note.exe)
head -c 7 note.exe >seven.bin
head -c $((size - 1)) note.exe >cut-1.exe
head -c $((size - 8)) note.exe >no-trailer.exe
cp record.bin record-long.bin && printf 'x' >>record-long.bin
# Copies with one 32-bit length changed (the record's other length checks are the unit tests').
field() { cp note.exe "$1" && patch "$1" "$2" "$(printf %08x "$3" | fold -w2 | tac | tr -d '\n')"; }
field block-too-long.exe $((size - 4)) $((size - 7))
field block-short.exe $((size - 4)) $((record - 16))
field text-past-payload.exe $((image + 60)) $((payload + 1))
damaged=(seven.bin empty.txt text.txt editor.exe cut-1.exe no-trailer.exe record-long.bin
    no-such-note.exe block-too-long.exe block-short.exe text-past-payload.exe)
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
# A flipped payload byte cannot be told from a wrong passphrase (verify: 3): the digest differs.
cp note.exe flipped.exe && flip flipped.exe $((image + 80))

echo "== reimage: a new editor part, the record byte for byte"
# A read-only note stays so. An editor that carries a note gives its editor part only; the notes
# of a list that can be done are done, and a refused reimage leaves the note as it was.
cp note.exe re.exe
chmod a-w re.exe
steps <<'EOF'
0||reimage --image b.exe re.exe|cmp -s -n $image b.exe re.exe && cmp -s <(tail -c +$((image + 1)) note.exe) <(tail -c +$((image + 1)) re.exe)
0||reimage --image b.exe re.exe|grep -q "re.exe: unchanged" out.txt && test $(stat -c %A re.exe | cut -c3) = -
2||reimage --image note.exe re.exe text.txt|cmp -s re.exe note.exe
1||reimage --image editor.exe record.bin|
2||reimage --image record.bin re.exe|
2||reimage --image text.txt re.exe|cmp -s re.exe note.exe
EOF

echo "== verify: one line per note, the highest exit code"
cp note.exe other-editor.exe
{ cat editor.exe && printf 'QUiLLX*2' && head -c 68 /dev/zero && printf '\xef\xbe\xad\xde\x4c\0\0\0'; } >no-text.exe
q 0 reimage --image b.exe other-editor.exe
q 0 seal --image text.txt -o on-text.exe memo.txt --passphrase-file pass1.txt
pe 16 >tiny.exe # the shortest editor part that holds both headers
q 0 seal --image tiny.exe -o on-tiny.exe memo.txt --passphrase-file pass1.txt
steps <<'EOF'
0||verify note.exe other-editor.exe flipped.exe on-tiny.exe
2||verify note.exe cut-1.exe
3||verify --passphrase-file pass1.txt note.exe flipped.exe
3||verify --passphrase-file pass1.txt note.exe memo.exe
5||verify --image editor.exe note.exe other-editor.exe cut-1.exe
0||verify --image note.exe --passphrase-file pass1.txt note.exe
2||verify --image record.bin note.exe
2||verify block-too-long.exe|grep -q "claims more bytes than the file has" out.txt
2||verify --passphrase-file pass1.txt no-text.exe|grep -q "no-text.exe: its record holds no text" out.txt
EOF
list=(note.exe other-editor.exe cut-1.exe memo.exe record.bin on-text.exe no-such.exe)
q 5 verify --image editor.exe --passphrase-file pass1.txt "${list[@]}"
while IFS='|' read -r note words; do
    check "verify says \"$note: $words\"" grep -qF "$note: $words" out.txt
done <<'EOF'
note.exe|ok
other-editor.exe|editor part differs from editor.exe (reimage
cut-1.exe|no note trailer
memo.exe|the passphrase does not open it
record.bin|a bare record
on-text.exe|editor part: not a Windows executable
no-such.exe|no such file
EOF
q 5 verify --json --image editor.exe --passphrase-file pass1.txt "${list[@]}"
check "verify --json: one object per note with its exit code" \
    test "$(json '" ".join(str(n["exit"]) for n in d)')" = "0 5 2 3 2 2 2"

echo "== salvage: damaged ends, recovered against the original text"
cp note.exe appended.exe && printf 'QUiLLX*2 bytes a sync tool added' >>appended.exe
cp note.exe overwritten.exe && patch overwritten.exe $((size - 8)) 0000000000000000
{ head -c $((size - 8)) note.exe; tail -c +$((image + 1)) memo.exe; } >two.exe
while read -r damaged key want args; do
    rm -f saved.exe && cp "$damaged" before.bin
    # shellcheck disable=SC2086
    q 0 salvage --image b.exe -o saved.exe $args "$damaged"
    q 0 verify --image b.exe --passphrase-file "$key" saved.exe
    q 0 cat saved.exe --passphrase-file "$key"
    check "salvage of $damaged gives $want" cmp -s out.txt "$want"
    check "salvage leaves $damaged as it was" cmp -s "$damaged" before.bin
done <<'EOF'
appended.exe pass1.txt text.txt
cut-1.exe pass1.txt text.txt
overwritten.exe pass1.txt text.txt --passphrase-file pass1.txt
record-long.bin pass1.txt text.txt
two.exe pass3.txt memo.txt
two.exe pass1.txt text.txt --passphrase-file pass1.txt
EOF
rm -f saved.exe
head -c $((image + 100)) note.exe >cut-in-payload.exe
{ cat memo.txt && printf 'QUiLLX*2' && head -c 68 /dev/zero; } >empty-record.bin # a header only
q 2 salvage --image b.exe -o saved.exe editor.exe
q 2 salvage --image b.exe -o saved.exe cut-in-payload.exe
q 2 salvage --image b.exe -o saved.exe empty-record.bin
q 3 salvage --image b.exe -o saved.exe --passphrase-file pass1.txt memo.exe
q 1 salvage --image b.exe -o cut-1.exe cut-1.exe
check "a refused salvage writes nothing" test ! -e saved.exe

echo "== failed writes give 4 and leave every file as it was"
mkdir -p folder
q 4 seal --image editor.exe -o missing-folder/x.exe text.txt --passphrase-file pass1.txt
q 4 seal --force --image editor.exe -o folder text.txt --passphrase-file pass1.txt
check "the folder is still a folder, missing-folder was not made" test -d folder -a ! -e missing-folder
"${runner[@]}" "$tool" cat note.exe --passphrase-file pass1.txt >/dev/full 2>err.txt
check "cat into a full disk exits with 4" test $? = 4
# A folder the user cannot write to; root writes anywhere, so there the tool runs as nobody.
as_user=() && [ "$(id -u)" = 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
if [[ "${runner[*]:-}" != *wine* ]] && "${as_user[@]}" "$tool" --help >/dev/null 2>&1; then
    mkdir locked && cp note.exe locked/note.exe
    chmod 644 locked/note.exe pass1.txt pass2.txt && chmod 555 locked
    runner=("${as_user[@]}" "${runner[@]}")
    q 4 rekey locked/note.exe --passphrase-file pass1.txt --new-passphrase-file pass2.txt
    q 4 set locked/note.exe --read-only on
    runner=("${runner[@]:${#as_user[@]}}")
    check "a failed rekey leaves the old note unchanged" cmp -s locked/note.exe note.exe
    chmod 755 locked
else
    echo "skipped: read-only folder (running as root without setpriv, or under Wine)"
fi
if [ ${#runner[@]} -eq 0 ] && cc -shared -fPIC -o hook.so "$hook" && LD_PRELOAD=./hook.so "$tool" --help >/dev/null; then
    echo "== natively: modes, owners, links, odd files, no random numbers, nothing secret freed"
    cp note.exe m.exe && chmod 440 m.exe && ln -s m.exe link.exe
    cp note.exe owned.exe && chown 65534:65534 owned.exe 2>/dev/null
    mkfifo fifo.exe && mkdir dir.exe
    # A header every 80 bytes, each claiming a record up to the file's end (salvage: linear time).
    python3 -c "import struct,sys; n=160000; sys.stdout.buffer.write(b''.join(b'QUiLLX*2' + bytes(48)
        + struct.pack('<5I', *[(n - i) * 80 - 76 & ~15] * 2, 0, 0, 0) + bytes(4) for i in range(n)))" >every-80.bin
    { head -c $((image + 56)) note.exe && printf '\0\0\0\x40\x10\0\0\0'; } >sparse.exe
    truncate -s $((image + 76 + (1 << 30))) sparse.exe && printf '\xef\xbe\xad\xde\x4c\0\0\x40' >>sparse.exe
    for _ in $(seq 400); do cat text.txt; done >big.txt
    printf 'Passphrase-of-the-hook\nNew-passphrase-of-the-hook\n' >hook-pass.txt
    runner=(env LD_PRELOAD=./hook.so
        $'QUILLOX_SECRETS=part 07 of the note\nPassphrase-of-the-hook\nNew-passphrase-of-the-hook')
    q --in big.txt 0 seal --image editor.exe -o piped-big.exe - --passphrase-file hook-pass.txt
    steps <<'EOF'
0||seal --image editor.exe -o hooked.exe big.txt --passphrase-file hook-pass.txt|test "$(stat -c %a hooked.exe)" = 600
0||cat hooked.exe --passphrase-file hook-pass.txt|cmp -s out.txt big.txt
0||verify --passphrase-file hook-pass.txt hooked.exe|
0||cat --raw hooked.exe --passphrase-file hook-pass.txt|
0||rekey hooked.exe --passphrase-file hook-pass.txt|
0||set m.exe --read-only on|test "$(stat -c %a m.exe)" = 440 && test ! -s err.txt && ln m.exe hard.exe
0||rekey link.exe --passphrase-file pass1.txt --new-passphrase-file pass2.txt|test -L link.exe && grep -q "other name(s) (hard links) keep the old" err.txt
0||cat m.exe --passphrase-file pass2.txt|cmp -s out.txt text.txt
0||cat hard.exe --passphrase-file pass1.txt|cmp -s out.txt text.txt
0||set owned.exe --read-only on|test "$(id -u)" != 0 || test "$(stat -c %u:%g owned.exe)" = 65534:65534
EOF
    check "no plaintext or passphrase in freed memory: $(sort -u freed.txt 2>/dev/null)" test ! -s freed.txt
    runner=(env LD_PRELOAD=./hook.so QUILLOX_NO_RANDOM=1)
    q 4 seal --image editor.exe -o no-iv.exe text.txt --passphrase-file pass1.txt
    check "no random numbers: no note" test ! -e no-iv.exe
    runner=(bash -c 'ulimit -v 400000 && exec timeout 20 "$@"' --)
    for args in "info fifo.exe" "cat fifo.exe" "verify fifo.exe" "set fifo.exe --read-only on" \
        "reimage --image editor.exe fifo.exe" "info dir.exe" "seal --image fifo.exe -o fifo-note.exe memo.txt"; do
        # shellcheck disable=SC2086
        q 2 $args --passphrase-file pass1.txt
        check "$args: not a regular file" grep -q "not a regular file" err.txt out.txt
    done
    q 0 info sparse.exe
    q 0 verify sparse.exe
    q 0 salvage --image editor.exe -o saved-80.exe every-80.bin
    runner=()
fi
finish
