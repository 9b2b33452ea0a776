# shellcheck shell=bash disable=SC2059  # printf formats carry escapes on purpose
# Sourced by the command-line tests with SCRIPT WORK_FOLDER TOOL [RUNNER...]: empties WORK_FOLDER
# and works in it. The tool runs as "${runner[@]}" "$tool" (runner: Wine, valgrind or nothing)
# with relative file names only, so the same steps work under Wine.
set -uo pipefail
work=$1
tool=$(realpath "$2")
shift 2
runner=("$@")
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failures=0 checks=0

check() {  # check DESCRIPTION COMMAND...: the command must succeed
    checks=$((checks + 1))
    "${@:2}" || {
        failures=$((failures + 1))
        echo "FAIL: $1"
        return 1
    }
}

# q [--in FILE | --pipe TEXT] EXPECTED_EXIT ARGS...: runs the tool with standard input from FILE
# or a pipe fed with TEXT (printf escapes); stdout to out.txt, stderr to err.txt, exit code $rc.
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
        # Wine's connection to its server can drop while the server restarts; that run never
        # reached the tool, so it is made again.
        grep -q '^wine client error' err.txt || break
        echo "    (Wine lost its server; run again)"
    done
    check "quillox-note $* exited with $rc, expected $want" test "$rc" = "$want" ||
        sed 's/^/    | /' err.txt | head -40
}

# steps: rows of EXIT|INPUT|ARGS|CONDITION from standard input. Each runs the tool with ARGS
# (split at blanks), INPUT piped in (printf escapes; empty: none), and must exit with EXIT; then
# CONDITION, when there is one, must hold (it is evaluated, so it may use variables and pipes).
steps() {
    local want pipe args after
    while IFS='|' read -r want pipe args after; do
        # shellcheck disable=SC2086
        if [ -n "$pipe" ]; then q --pipe "$pipe" "$want" $args; else q "$want" $args; fi
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
