#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets (clang, build-fuzz) and runs each for the given number of seconds
# (default 60), niced, one after the other. The corpora grow in fuzz-corpus-work/, seeded from
# fuzz/corpus/, the example curve files and the test fixtures; inputs that break a target are
# kept in fuzz-corpus-work/artifacts/. Every input has a time limit and the process a memory limit,
# so a hang, a slow input or a runaway allocation is a finding like a crash. Prints each target's
# executions and corpus size, and fails when any target left an artifact (crash, leak, timeout,
# out of memory, slow unit) or stopped with an error.
#   tools/fuzz.sh [seconds-per-target] [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
    targets=(fuzz_curve_loader fuzz_split_fields fuzz_number_text fuzz_number_format fuzz_calculate
             fuzz_digitizer_export)

"$root/tools/install-deps.sh"
(cd "$root" && cmake --preset fuzz >/dev/null)
cmake --build "$root/build-fuzz" -j 2 >/dev/null

work="$root/fuzz-corpus-work"
mkdir -p "$work/artifacts"
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# Per input: a time limit (a timeout artifact) and a report of anything slower than a second or
# two (a slow-unit artifact); per process: resident memory, and the largest single allocation.
limits=(-timeout=10 -report_slow_units=2 -rss_limit_mb=2048 -malloc_limit_mb=512)

failed=0
printf '%-20s %8s %12s %10s %12s\n' target seconds executions "corpus" "corpus bytes"
for target in "${targets[@]}"; do
    corpus="$work/$target"
    mkdir -p "$corpus"
    cp -n "$root/fuzz/corpus/$target/"* "$corpus/" 2>/dev/null || true
    options=()
    case $target in
    fuzz_curve_loader | fuzz_split_fields)
        # Whole curve files for the loader; the splitters see their lines (and paths) as input.
        for file in "$root"/examples/*.csv "$root"/tests/data/*; do
            [ -f "$file" ] || continue
            [ "$(stat -c %s "$file")" -le 65536 ] || continue
            cp -n "$file" "$corpus/$(basename "$file")" 2>/dev/null || true
        done
        options+=(-dict="$root/fuzz/curve_file.dict")
        ;;
    fuzz_digitizer_export)
        options+=(-dict="$root/fuzz/digitizer_export.dict" -max_len=65536)
        ;;
    esac
    case $target in
    # Whole files up to 1.1 MB: past the longest line a curve file may hold (1 MiB).
    fuzz_curve_loader) options+=(-max_len=1100000) ;;
    fuzz_split_fields) options+=(-max_len=65536) ;;
    esac
    log="$work/$target.log"
    status=0
    started="$work/artifacts/.started-$target"
    touch "$started"
    nice -n 10 "$root/build-fuzz/fuzz/$target" "${options[@]}" "${limits[@]}" \
        -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/$target-" "$corpus" >"$log" 2>&1 || status=$?
    found=$(find "$work/artifacts" -name "$target-*" -newer "$started" | wc -l)
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    files=$(find "$corpus" -type f | wc -l)
    bytes=$(du -sb "$corpus" | cut -f1)
    printf '%-20s %8s %12s %10s %12s\n' "$target" "$seconds" "${executions:-?}" "$files" "$bytes"
    if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
        failed=1
        echo "  $target FAILED (exit $status, $found new artifacts); see $log and $work/artifacts/" >&2
        grep -m 5 -E 'ERROR|contract violated|runtime error|SUMMARY|Slowest unit|timeout' "$log" >&2 ||
            true
    fi
done
exit "$failed"
