# shellcheck shell=bash disable=SC2059  # printf formats carry escapes on purpose
# Sourced by the command-line tests with SCRIPT WORK_FOLDER TOOL [RUNNER...]: empties WORK_FOLDER
# and works in it. The tool runs as "${runner[@]}" "$tool" (runner: Wine, valgrind or nothing)
# with relative file names only, so the same steps work under Wine.
set -uo pipefail
tool=$(realpath "$2")
rm -rf "$1" && mkdir -p "$1" && cd "$1" || exit 1
shift 2
runner=("$@")
failures=0 checks=0

check() {  # check DESCRIPTION COMMAND...: the command must succeed
    checks=$((checks + 1))
    "${@:2}" && return
    failures=$((failures + 1))
    echo "FAIL: $1"
    return 1
}

# q [--in FILE | --pipe TEXT] EXPECTED_EXIT ARGS...: runs the tool with FILE, TEXT (printf
# escapes) or nothing piped in; stdout to out.txt, stderr to err.txt, exit code $rc.
q() {
    local feed=(cat /dev/null) attempt
    case $1 in
    --in) feed=(cat "$2") && shift 2 ;;
    --pipe) feed=(printf "$2") && shift 2 ;;
    esac
    local want=$1
    shift
    for attempt in 1 2 3; do
        rc=0
        "${feed[@]}" | "${runner[@]}" "$tool" "$@" >out.txt 2>err.txt || rc=$?
        # Wine can lose its server while that restarts; the tool never ran, so it runs again.
        grep -q '^wine client error' err.txt || break
        echo "    (Wine lost its server; run again)"
    done
    check "quillox-note $* exited with $rc, expected $want" test "$rc" = "$want" ||
        sed 's/^/    | /' err.txt | head -40
}

# steps: rows EXIT|INPUT|ARGS|CONDITION on standard input: the tool runs with ARGS (split at blanks)
# and INPUT (printf escapes) piped in and must exit with EXIT; then CONDITION, if any, must hold.
steps() {
    local want pipe args after
    while IFS='|' read -r want pipe args after; do
        # shellcheck disable=SC2086
        q --pipe "$pipe" "$want" $args
        [ -z "$after" ] || check "after $args: $after" eval "$after"
    done
}

expect_info() {  # expect_info FIELD VALUE [FIELD VALUE...]: about the last `info` output
    while [ $# -gt 0 ]; do
        local got
        got=$(tr -d '\r' <out.txt | sed -n "s/^$1: *//p")
        check "info shows \"$1: $got\", expected \"$2\"" test "$got" = "$2"
        shift 2
    done
}

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
