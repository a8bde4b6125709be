#!/usr/bin/env bash
# Sets up the machine, checks the formatting, builds everything, runs clang-tidy over the core and
# runs every test: a short fuzzing run, the unit tests under the address and undefined-behaviour
# sanitizers, every test of the debug build, the Debian package installed, started and removed,
# the Windows build's tests under Wine, and the Windows installer installed, started and removed
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

# ccache keys on paths relative to the checkout, so a clone elsewhere still finds its objects.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true

# Every source as the repository's .clang-format has it; scripts/format.sh mends a drift.
bash scripts/format.sh --check

# Warnings fail the build wherever the tests run, not only in CI.
cmake --preset debug -DVELTRANE_WERROR=ON >/dev/null
cmake --build --preset debug -- -j2

# clang-tidy over the core, on the compile commands the debug build has just written.
bash scripts/tidy.sh

cmake --preset asan -DVELTRANE_WERROR=ON >/dev/null
cmake --build --preset asan -- -j2

# A short fuzzing run of every reader of outside files; scripts/fuzz.sh runs longer ones.
bash scripts/fuzz.sh "${VELTRANE_FUZZ_SECONDS:-10}"

ctest --preset asan -L unit
ctest --preset debug

# The Debian package as a user gets it: built in release mode, installed, started, removed.
bash scripts/package.sh deb
bash scripts/test-deb.sh

# The Windows half: everything cross-built and run under Wine, then the installer as a user gets it.
bash scripts/test-windows.sh
bash scripts/package.sh windows
bash scripts/test-windows-setup.sh
