#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a bounded time: scripts/fuzz.sh [seconds-per-target]
# Corpora live in build/fuzz/corpus/<target>, so later runs start from what earlier ones found.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -- -j2

# Seeds: one valid file of each kind, so the fuzzer starts past the record count.
seed() {
    local dir="build/fuzz/corpus/$1"
    mkdir -p "$dir"
    [ -n "$(ls -A "$dir")" ] || printf "$2" > "$dir/seed"
}
zeros() { printf '\\x00%.0s' $(seq "$1"); }
seed fuzz_addr_data "\x01\x00\x00\x00$(zeros 156)"
seed fuzz_date_data "\x01\x00\x00\x00$(zeros 104)"
seed fuzz_task_data "\x01\x00\x00\x00$(zeros 76)"
seed fuzz_note_data '\x02\x00\x00\x00\x00\x00\x00\x00\x07\x00\x00\x00\x03\x00\x00\x00\x09\x00\x00\x00'
seed fuzz_error_ini '[Error]\r\nError.Count=2\r\nError.1=x\r\nError.2=y\r\n'
seed fuzz_status_ini '[Status]\r\nRunning=1\r\n'

status=0
for target in fuzz_addr_data fuzz_date_data fuzz_task_data fuzz_note_data fuzz_error_ini fuzz_status_ini fuzz_param_file; do
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
