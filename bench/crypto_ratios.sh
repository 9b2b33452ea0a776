#!/usr/bin/env bash
# Runs crypto_bench twice and prints MB/s and our/OpenSSL ratios:
# - our AES and SHA instruction paths against OpenSSL as the machine is; goals SHA-256 >= 0.8,
#   encrypt >= 0.9, decrypt >= 0.7;
# - our portable code (instruction paths switched off) against OpenSSL with its AES-NI, SHA and
#   AVX code paths masked; goals encrypt >= 0.8, decrypt >= 0.5, SHA-256 >= 0.6.
# Then, when note_bench is beside it, saving and opening a 4 MiB note against a plain copy of the
# same bytes (save against a flushed copy); goals <= 2.5 with the instruction paths.
# Medians of REPETITIONS runs (default 5). Exit status 1 if a goal is missed.
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
    # $1 a filter on the benchmark names. Prints "name bytes_per_second" for each median row.
    # CRYPTO_BENCH_ARGS is split into words on purpose.
    # shellcheck disable=SC2086
    "$bench" --benchmark_filter="$1" --benchmark_format=csv --benchmark_repetitions="${REPETITIONS:-5}" \
        --benchmark_report_aggregates_only=true ${CRYPTO_BENCH_ARGS:-} 2>/dev/null |
        awk -F, '$1 ~ /_median"$/ { name = $1; gsub(/"|_median/, "", name); print name, $6 }'
}

report() {
    # $1 title, $2 our implementation's name ("ours" or "software"), $3 the goals as
    # "sha256 encrypt decrypt"; reads "name bytes_per_second" lines.
    awk -v title="$1" -v mine="$2" -v goals="$3" '
        { split($1, part, "/"); rate[part[1], part[2]] = $2; if (!(part[1] in seen)) { seen[part[1]] = 1; order[n++] = part[1] } }
        END {
            split(goals, g, " ")
            goal["sha256"] = g[1]; goal["aes256cbc_encrypt"] = g[2]; goal["aes256cbc_decrypt"] = g[3]
            check = 1
            printf "%s\n%-20s %12s %12s %8s %s\n", title, "operation", mine " MB/s", "OpenSSL MB/s", "ratio", check ? "goal" : ""
            missed = 0
            for (i = 0; i < n; ++i) {
                op = order[i]; ours = rate[op, mine]; theirs = rate[op, "openssl"]
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

status=0
run '/(ours|openssl)$' |
    report "Our instruction paths; OpenSSL with every code path it finds on this CPU" ours "0.8 0.9 0.7" ||
    status=1
OPENSSL_ia32cap=$masked run '/(software|openssl)$' |
    report "Our portable code; OpenSSL with AES-NI, SHA and AVX masked (OPENSSL_ia32cap=$masked)" software "0.6 0.8 0.5" ||
    status=1

note_bench=$(dirname "$bench")/note_bench
if [[ -x $note_bench ]]; then
    # Rows "BM_PlainCopy/fsync:F" and "BM_SaveNote/hw:H", "BM_OpenNote/hw:H" with their median
    # real and CPU times. The goals are on real time; the CPU-time ratios show how much of it is
    # this process's own work when other programs share the processors.
    "$note_bench" --benchmark_format=csv --benchmark_repetitions="${REPETITIONS:-5}" \
        --benchmark_report_aggregates_only=true 2>/dev/null |
        awk -F, '$1 ~ /_median"$/ { name = $1; gsub(/"|_median/, "", name); t[name] = $3; c[name] = $4 }
            END {
                flushed = t["BM_PlainCopy/fsync:1"]; plain = t["BM_PlainCopy/fsync:0"]
                printf "4 MiB note, medians in ms (real/CPU): plain copy %.1f/%.1f, flushed copy %.1f/%.1f\n",
                    plain, c["BM_PlainCopy/fsync:0"], flushed, c["BM_PlainCopy/fsync:1"]
                missed = 0
                for (hw = 1; hw >= 0; --hw) {
                    s = "BM_SaveNote/hw:" hw; o = "BM_OpenNote/hw:" hw
                    printf "%s: save %.1f/%.1f = %.2fx/%.2fx flushed copy, open %.1f/%.1f = %.2fx/%.2fx plain copy%s\n",
                        hw ? "instruction paths" : "portable code", t[s], c[s], t[s] / flushed,
                        c[s] / c["BM_PlainCopy/fsync:1"], t[o], c[o], t[o] / plain, c[o] / c["BM_PlainCopy/fsync:0"],
                        hw ? "  (goals <= 2.5 real)" : ""
                    if (hw && (t[s] / flushed > 2.5 || t[o] / plain > 2.5)) missed = 1
                }
                exit missed
            }' || status=1
fi
exit $status
