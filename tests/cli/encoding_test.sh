#!/usr/bin/env bash
# seal and cat with text in any script: what each kind of text file is stored as, what cat and
# cat --raw give back, and the encoding info reports.
#
#   encoding_test.sh WORK_FOLDER TOOL [RUNNER...]
source "$(dirname "$0")/lib.sh"
cp "$tool" editor.exe
printf 'pw\n' >pass.txt
# The platform's line end: what a text file has and cat gives back; the note holds CR LF.
nl='\n'
[[ "${runner[*]:-}" == *wine* ]] && nl='\r\n'

# file bytes | cat output | stored bytes | text encoding
cases=(
    "one${nl}two|one${nl}two|one\r\ntwo|ANSI code page"
    "Gr\xc3\xbc\xc3\x9fe${nl}\xd0\x9f \xf0\x9f\x98\x80|Gr\xc3\xbc\xc3\x9fe${nl}\xd0\x9f \xf0\x9f\x98\x80|Gr\xc3\xbc\xc3\x9fe\r\n\xd0\x9f \xf0\x9f\x98\x80|UTF-8"
    "\xef\xbb\xbfcaf\xc3\xa9|caf\xc3\xa9|caf\xc3\xa9|UTF-8"
    "\xff\xfe\x1f\x04\x3d\xd8\x00\xde|\xd0\x9f\xf0\x9f\x98\x80|\xd0\x9f\xf0\x9f\x98\x80|UTF-8"
    "\xfe\xff\x00\xe9|\xc3\xa9|\xc3\xa9|UTF-8"
    "caf\xe9 \x80|caf\xc3\xa9 \xe2\x82\xac|caf\xc3\xa9 \xe2\x82\xac|UTF-8"
)
for c in "${cases[@]}"; do
    IFS='|' read -r file shown stored encoding <<<"$c"
    printf "$file" >in.txt
    printf "$shown" >shown.txt
    printf "$stored" >stored.txt
    q 0 seal --image editor.exe -o note.exe in.txt --passphrase-file pass.txt
    q 0 info note.exe
    expect_info "text encoding" "$encoding"
    q 0 cat note.exe --passphrase-file pass.txt
    check "cat gives $shown for $file" cmp -s out.txt shown.txt
    q 0 cat --raw note.exe --passphrase-file pass.txt
    check "the note stores $stored for $file" cmp -s out.txt stored.txt
done
q 1 cat --codepage x note.exe --passphrase-file pass.txt
finish
