#!/usr/bin/env bash
# Runs every fuzz target for a fixed time from freshly generated seeds and
# fails on any crash, leak, timeout (1 s per input) or input needing more
# than 512 MiB.
#
#   fuzz/run.sh [build dir] [seconds per target]
#
# The build dir is that of the fuzz preset (cmake --workflow --preset fuzz).
# Inputs that fail are kept as <build dir>/fuzz-artifacts/<target>-*.
set -uo pipefail

build=${1:-build/fuzz}
seconds=${2:-8}
targets=(archive lrs surface surface_texture palette texture to_rgba8)
# The report reader's target exists only in the build that draws.
[ -x "$build/fuzz/fuzz_report" ] && targets+=(report)

# AddressSanitizer holds freed memory back (256 MiB by default), which would
# count against the fuzzers' RSS limit as if an input had used it.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=32}"

seeds="$build/fuzz-seeds"
rm -rf "$seeds"
"$build/fuzz/make_seeds" "$seeds" || exit 1
mkdir -p "$build/fuzz-artifacts" "$build/fuzz-corpus"

passed=0
failed=0
for target in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus"
  log="$build/fuzz-artifacts/$target.log"
  if "$build/fuzz/fuzz_$target" "$corpus" "$seeds/$target" \
      -max_total_time="$seconds" -rss_limit_mb=512 -malloc_limit_mb=512 -timeout=1 \
      -detect_leaks=1 -print_final_stats=1 \
      -artifact_prefix="$build/fuzz-artifacts/$target-" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz_$target: ok, ${runs:-?} runs in ${seconds}s"
    passed=$((passed + 1))
  else
    echo "fuzz_$target: FAILED; the fuzzer's report follows"
    tail -n 60 "$log"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
