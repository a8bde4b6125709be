#!/usr/bin/env bash
# Sets up the machine, checks the formatting, builds everything and runs every test: a short
# fuzzing run, the unit tests under the address and undefined-behaviour sanitizers, every test of
# the debug build, and the Windows build's unit tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

# Every source as the repository's .clang-format has it; scripts/format.sh mends a drift.
bash scripts/format.sh --check

# Warnings fail the build wherever the tests run, not only in CI.
for preset in debug asan; do
    cmake --preset "$preset" -DVELTRANE_WERROR=ON >/dev/null
    cmake --build --preset "$preset" -- -j2
done

# A short fuzzing run of every reader of outside files; scripts/fuzz.sh runs longer ones.
bash scripts/fuzz.sh "${VELTRANE_FUZZ_SECONDS:-10}"

ctest --preset asan -L unit
ctest --preset debug

# The Windows half: the core, the stand-in helper and the unit tests cross-built and run under Wine.
bash scripts/test-windows.sh
