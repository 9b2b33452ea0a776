#!/usr/bin/env bash
# Builds the fuzz targets (the fuzz preset) and runs each for SECONDS (default 60), one after
# the other, going on past crashes. Prints one line per target: executions, coverage, crashes.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# QUILLOX_FUZZ_BUILD names the build folder (default build/fuzz). The corpus of every target grows
# in <build>/fuzz-corpus/<target>; inputs that crash land in <build>/fuzz-findings/<target>/ and
# belong, once the fault is understood, in tests/fuzz/regressions/<target>/.
set -euo pipefail

seconds=${1:-60}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${QUILLOX_FUZZ_BUILD:-$root/build/fuzz}")
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_parserecord fuzz_file_end_data fuzz_load fuzz_command_line)

cmake --preset fuzz -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target fuzz_seeds "${targets[@]}" >/dev/null

failed=0
for t in "${targets[@]}"; do
  corpus=$build/fuzz-corpus/$t
  findings=$build/fuzz-findings/$t
  log=$build/fuzz-findings/$t.log
  mkdir -p "$corpus" "$findings"
  dirs=("$corpus" "$build/tests/fuzz/seeds/$t")
  [ -d "$root/tests/fuzz/regressions/$t" ] && dirs+=("$root/tests/fuzz/regressions/$t")

  # Fork mode keeps fuzzing after a crash; every crash is saved under its own name.
  (cd "$findings" && UBSAN_OPTIONS=print_stacktrace=1 "$build/tests/fuzz/$t" \
      -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
      -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/" "${dirs[@]}") >"$log" 2>&1 || true

  last=$(grep -E '^#[0-9]+: cov:' "$log" | tail -1 || true)
  execs=$(sed -E 's/^#([0-9]+):.*/\1/' <<<"$last")
  # Edge coverage of the whole corpus, measured by one plain pass over it: the figure of the
  # fork mode's progress lines counts differently.
  replay=$("$build/tests/fuzz/$t" -runs=0 "${dirs[@]}" 2>&1 || true)
  cov=$(grep -m1 -oE 'INITED cov: [0-9]+' <<<"$replay" | grep -oE '[0-9]+$' || true)
  edges=$(grep -m1 -oE 'modules +\([0-9]+ inline' <<<"$replay" | grep -oE '[0-9]+' || true)
  corp=$(find "$corpus" -type f | wc -l)
  crashes=$(sed -E 's#.*oom/timeout/crash: ([0-9]+)/([0-9]+)/([0-9]+).*#\1 \2 \3#' <<<"$last")
  read -r ooms timeouts crashed <<<"${crashes:-0 0 0}"
  [ -n "$last" ] || { execs=0; ooms=0; timeouts=0; crashed="? (see $log)"; }
  printf '%-20s %4ss  executions %-10s coverage %s/%s edges  corpus files %s  crashes %s  timeouts %s  ooms %s\n' \
    "$t" "$seconds" "$execs" "${cov:-?}" "${edges:-?}" "$corp" "$crashed" "$timeouts" "$ooms"
  [ "$crashed" = 0 ] && [ "$timeouts" = 0 ] && [ "$ooms" = 0 ] || failed=1
done
exit $failed
