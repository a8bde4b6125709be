#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: first the debug build, then the
# unit tests again under the address and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

werror=()
[ "${CI:-}" = "true" ] && werror=(-DVELTRANE_WERROR=ON)

for preset in debug asan; do
    cmake --preset "$preset" "${werror[@]}" >/dev/null
    cmake --build --preset "$preset" -- -j2
done

ctest --preset debug
ctest --preset asan -L unit
