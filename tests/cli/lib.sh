# shellcheck shell=bash disable=SC2059,SC2154  # printf formats carry escapes on purpose; tool and runner come from the caller
# Helpers of the command-line tests, sourced by the test scripts. The tool runs as
# "${runner[@]}" "$tool" (the runner is empty natively, Wine or valgrind otherwise), in the
# current folder, with relative file names only, so the same steps work under Wine.

failures=0
checks=0

fail() {
    failures=$((failures + 1))
    echo "FAIL: $*"
}

check() {  # check DESCRIPTION COMMAND...: the command must succeed
    local what=$1
    shift
    checks=$((checks + 1))
    "$@" || fail "$what"
}

# run [--in FILE | --pipe TEXT] ARGS...: runs the tool with standard input from FILE or from a
# pipe fed with TEXT (printf escapes allowed); stdout goes to out.txt, stderr to err.txt, the
# exit code to $rc.
run() {
    local input=/dev/null pipe='' attempt
    case ${1:-} in
    --in) input=$2; shift 2 ;;
    --pipe) pipe=$2; shift 2 ;;
    esac
    for attempt in 1 2 3; do
        [ "$attempt" = 1 ] || echo "    (Wine lost its server; run again)"
        rc=0
        if [ -n "$pipe" ]; then
            printf "$pipe" | "${runner[@]}" "$tool" "$@" >out.txt 2>err.txt || rc=$?
        else
            "${runner[@]}" "$tool" "$@" <"$input" >out.txt 2>err.txt || rc=$?
        fi
        # Wine's own connection to its server can drop while the server restarts; that run never
        # reached the tool, so it is made again.
        grep -q '^wine client error' err.txt || break
    done
}

# q [--in FILE | --pipe TEXT] EXPECTED_EXIT ARGS...: run, and the exit code must be EXPECTED_EXIT.
q() {
    local redirect=()
    case ${1:-} in
    --in | --pipe) redirect=("$1" "$2"); shift 2 ;;
    esac
    local want=$1
    shift
    run "${redirect[@]}" "$@"
    checks=$((checks + 1))
    if [ "$rc" != "$want" ]; then
        fail "quillox-note $* exited with $rc, expected $want"
        sed 's/^/    | /' err.txt | head -40
    fi
}

# The value of one line of the last `info` output ("read-only", "text length", ...).
info_field() {
    tr -d '\r' <out.txt | sed -n "s/^$1: *//p"
}

expect_info() {  # expect_info FIELD VALUE: about the last `info` output
    local got
    got=$(info_field "$1")
    checks=$((checks + 1))
    [ "$got" = "$2" ] || fail "info shows \"$1: $got\", expected \"$2\""
}

same_bytes() {  # same_bytes A B: byte for byte equal
    cmp -s "$1" "$2"
}

size_of() { stat -c %s "$1"; }

# Overwrites bytes of a file in place: patch FILE OFFSET HEXBYTES ("ff00" writes FF 00).
patch() {
    local escaped
    escaped=$(sed 's/../\\x&/g' <<<"$3")
    printf "$escaped" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# Little-endian 32-bit value as the hex bytes patch() takes.
le32() {
    printf '%02x%02x%02x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255))
}

# Reads a little-endian 32-bit value: u32 FILE OFFSET.
u32() {
    od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '
}

no_leftovers() {  # the safe save leaves no temporary file behind, even when it fails
    local left
    left=$(find . -name '~quillox-*' | head -5)
    checks=$((checks + 1))
    [ -z "$left" ] || fail "temporary files left behind: $left"
}

finish() {
    echo "$checks checks, $failures failed"
    [ "$failures" -eq 0 ]
}
