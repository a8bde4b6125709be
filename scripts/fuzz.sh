#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a bounded time: scripts/fuzz.sh [seconds-per-target]
# Corpora live in build/fuzz/corpus/<target>, so later runs start from what earlier ones found.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -- -j2

source scripts/fuzz-targets.sh
seed_corpora build/fuzz/corpus

status=0
for target in "${fuzz_targets[@]}"; do
    corpus="build/fuzz/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target ($seconds s)"
    if ! "build/fuzz/tests/fuzz/$target" "$corpus" -max_total_time="$seconds" -rss_limit_mb=1024 -max_len=65536 \
        -print_final_stats=1 2>"build/fuzz/$target.log"; then
        status=1
        tail -n 40 "build/fuzz/$target.log"
    fi
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|cov:' "build/fuzz/$target.log" | tail -n 3
done
exit $status
