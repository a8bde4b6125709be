#!/usr/bin/env bash
# A long fuzzing run, not part of CI: every target of scripts/fuzz.sh, each until 10 million
# executions or 10 minutes, whichever comes first, then a table of what each run did.
# The corpus of each target is kept in ${XDG_CACHE_HOME:-$HOME/.cache}/veltrane/fuzz-corpus/<target>,
# so every run starts from what the earlier ones found (and reads build/fuzz/corpus too). The
# targets and their seeds are those of scripts/fuzz-targets.sh.
# Environment: VELTRANE_FUZZ_RUNS and VELTRANE_FUZZ_MAX_SECONDS (per target) for a shorter try,
# VELTRANE_FUZZ_BUILD_DIR (default build/fuzz), VELTRANE_FUZZ_JOBS (build jobs, default 2).
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${VELTRANE_FUZZ_RUNS:-10000000}"
seconds="${VELTRANE_FUZZ_MAX_SECONDS:-600}"
build="${VELTRANE_FUZZ_BUILD_DIR:-build/fuzz}"
jobs="${VELTRANE_FUZZ_JOBS:-2}"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/veltrane/fuzz-corpus"
for number in "$runs" "$seconds" "$jobs"; do
    if ! [[ "$number" =~ ^[1-9][0-9]*$ ]]; then
        echo "fuzz-long.sh: VELTRANE_FUZZ_RUNS, _MAX_SECONDS and _JOBS must be positive numbers" >&2
        exit 2
    fi
done

source scripts/fuzz-targets.sh

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target "${fuzz_targets[@]}" -- -j"$jobs"

seed_corpora "$cache"

# One of libFuzzer's closing figures from the log, or "-".
final_stat() {
    local value
    value=$(sed -n "s/^stat::$1: *//p" "$log" | tail -n 1)
    echo "${value:--}"
}

logs="$build/fuzz-long"
mkdir -p "$logs"
rows=()
status=0
for target in "${fuzz_targets[@]}"; do
    corpus="$cache/$target"
    mkdir -p "$corpus"
    # libFuzzer writes what it finds into the first folder and only reads the others.
    extra=()
    [ -d "$build/corpus/$target" ] && extra=("$build/corpus/$target")
    log="$logs/$target.log"
    echo "== $target (at most $runs runs, $seconds s)"
    started=$SECONDS
    result=ok
    if ! "$build/tests/fuzz/$target" "$corpus" "${extra[@]}" -runs="$runs" -max_total_time="$seconds" \
        -rss_limit_mb=1024 -max_len=65536 -print_final_stats=1 -artifact_prefix="$logs/$target-" 2>"$log"; then
        result=FAILED
        status=1
        tail -n 40 "$log"
    fi
    taken=$((SECONDS - started))
    # The last status line ("#123 DONE cov: 45 ft: 67 corp: ...") holds the final coverage.
    last=$(grep -E '^#[0-9]+.* cov: [0-9]+' "$log" | tail -n 1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    rows+=("$(printf '%-18s %-7s %12s %7s %7s %8s %7s' "$target" "$result" "$(final_stat number_of_executed_units)" \
        "${cov:--}" "${ft:--}" "$(final_stat peak_rss_mb)" "$taken")")
done

echo
printf '%-18s %-7s %12s %7s %7s %8s %7s\n' target result executions cov ft peak_MB seconds
printf '%s\n' "${rows[@]}"
echo "Logs and any crash inputs: $logs; corpora: $cache"
exit $status
