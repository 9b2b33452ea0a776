# shellcheck shell=bash disable=SC2059  # printf formats carry escapes on purpose
# Sourced by every command-line test with its arguments: SCRIPT WORK_FOLDER TOOL [RUNNER...].
# WORK_FOLDER is emptied and made the current folder. The tool runs as "${runner[@]}" "$tool"
# (the runner is empty natively, Wine or valgrind otherwise) with relative file names only, so
# the same steps work under Wine.
set -uo pipefail
work=$1
tool=$(realpath "$2")
shift 2
runner=("$@")
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failures=0 checks=0

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

# q [--in FILE | --pipe TEXT] EXPECTED_EXIT ARGS...: runs the tool with standard input from FILE
# or from a pipe fed with TEXT (printf escapes allowed); stdout goes to out.txt, stderr to
# err.txt, and the exit code ($rc) must be EXPECTED_EXIT.
q() {
    local input=/dev/null pipe='' attempt
    case $1 in
    --in) input=$2 && shift 2 ;;
    --pipe) pipe=$2 && shift 2 ;;
    esac
    local want=$1
    shift
    for attempt in 1 2 3; do
        rc=0
        if [ -n "$pipe" ]; then
            printf "$pipe" | "${runner[@]}" "$tool" "$@" >out.txt 2>err.txt || rc=$?
        else
            "${runner[@]}" "$tool" "$@" <"$input" >out.txt 2>err.txt || rc=$?
        fi
        # Wine's own connection to its server can drop while the server restarts; that run never
        # reached the tool, so it is made again.
        grep -q '^wine client error' err.txt || break
        echo "    (Wine lost its server; run again)"
    done
    checks=$((checks + 1))
    [ "$rc" = "$want" ] && return
    fail "quillox-note $* exited with $rc, expected $want"
    sed 's/^/    | /' err.txt | head -40
}

info_field() {  # the value of one line of the last `info` output ("read-only", ...)
    tr -d '\r' <out.txt | sed -n "s/^$1: *//p"
}

expect_info() {  # expect_info FIELD VALUE [FIELD VALUE...]: about the last `info` output
    while [ $# -gt 0 ]; do
        checks=$((checks + 1))
        [ "$(info_field "$1")" = "$2" ] || fail "info shows \"$1: $(info_field "$1")\", expected \"$2\""
        shift 2
    done
}

size_of() { stat -c %s "$1"; }

patch() {  # patch FILE OFFSET HEXBYTES: overwrites bytes in place ("ff00" writes FF 00)
    printf "$(sed 's/../\\x&/g' <<<"$3")" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

flip() {  # flip FILE OFFSET: inverts one byte
    patch "$1" "$2" "$(printf '%02x' $(($(od -An -tu1 -j "$2" -N1 "$1") ^ 255)))"
}

finish() {  # the safe save leaves no temporary file behind, even when it fails
    check "no temporary files left behind: $(find . -name '~quillox-*' | head -5)" \
        test -z "$(find . -name '~quillox-*')"
    echo "$checks checks, $failures failed"
    [ "$failures" -eq 0 ]
}
