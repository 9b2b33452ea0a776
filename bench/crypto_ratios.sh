#!/usr/bin/env bash
# Runs crypto_bench twice: once as the machine is, once with OpenSSL's AES-NI, SHA and AVX code
# paths masked, and prints MB/s and our/OpenSSL ratios. The goals hold against the masked run:
# encrypt >= 0.8, decrypt >= 0.5, SHA-256 >= 0.6. Exit status 1 if one is missed.
#
# Usage: bench/crypto_ratios.sh [path/to/crypto_bench]   (default: build/native/bench/crypto_bench)
# Extra Google Benchmark options may follow in CRYPTO_BENCH_ARGS.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bench=${1:-$here/../build/native/bench/crypto_bench}
if [[ ! -x $bench ]]; then
    echo "crypto_bench not found at $bench; build it (cmake --preset native; cmake --build build/native --target crypto_bench) or pass its path" >&2
    exit 2
fi

# OPENSSL_ia32cap (OpenSSL 3.0): the first word mirrors CPUID.1 EDX:ECX, the word after ':' is
# CPUID.7 EBX (low half) and ECX (high half); '~' clears the bits given.
#   first word:  bit 57 AES-NI, bit 60 AVX                         -> ~0x1200000000000000
#   second word: bit 5 AVX2, bit 16 AVX512F, bit 29 SHA, bit 41 VAES -> ~0x20020010020
# SSSE3 (bit 41 of the first word) stays, so OpenSSL keeps its vector-permute AES, its bit-sliced
# CBC decryption and its SSSE3 SHA-256: the fastest code it has without those instructions.
masked='~0x1200000000000000:~0x20020010020'

run() {
    # Prints "name bytes_per_second" for each median row. CRYPTO_BENCH_ARGS is split into words
    # on purpose.
    # shellcheck disable=SC2086
    "$bench" --benchmark_format=csv --benchmark_repetitions="${REPETITIONS:-5}" \
        --benchmark_report_aggregates_only=true ${CRYPTO_BENCH_ARGS:-} 2>/dev/null |
        awk -F, '$1 ~ /_median"$/ { name = $1; gsub(/"|_median/, "", name); print name, $6 }'
}

report() {
    # $1 title, $2 1 to check the goals; reads "name bytes_per_second" lines.
    awk -v title="$1" -v check="$2" '
        { split($1, part, "/"); rate[part[1], part[2]] = $2; if (!(part[1] in seen)) { seen[part[1]] = 1; order[n++] = part[1] } }
        END {
            goal["aes256cbc_encrypt"] = 0.8; goal["aes256cbc_decrypt"] = 0.5; goal["sha256"] = 0.6
            printf "%s\n%-20s %12s %12s %8s %s\n", title, "operation", "ours MB/s", "OpenSSL MB/s", "ratio", check ? "goal" : ""
            missed = 0
            for (i = 0; i < n; ++i) {
                op = order[i]; ours = rate[op, "ours"]; theirs = rate[op, "openssl"]
                ratio = theirs > 0 ? ours / theirs : 0
                verdict = ""
                if (check && op in goal) {
                    verdict = sprintf(">= %.1f %s", goal[op], ratio >= goal[op] ? "met" : "MISSED")
                    if (ratio < goal[op]) missed = 1
                }
                printf "%-20s %12.1f %12.1f %8.2f %s\n", op, ours / 1e6, theirs / 1e6, ratio, verdict
            }
            print ""
            exit missed
        }'
}

run | report "OpenSSL with every code path it finds on this CPU" 0
OPENSSL_ia32cap=$masked run | report "OpenSSL with AES-NI, SHA and AVX masked (OPENSSL_ia32cap=$masked)" 1
