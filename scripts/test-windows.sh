#!/usr/bin/env bash
# Cross-compiles the core library, the stand-in helper and the unit tests for 64-bit Windows with
# mingw-w64 and runs the tests under Wine. Needs the packages mingw-w64, wine and wine64.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset mingw -DVELTRANE_WERROR=ON >/dev/null
cmake --build --preset mingw -- -j2

# A Wine prefix of its own inside the build folder (the test preset points WINEPREFIX there); the
# first start creates it, which takes a while, so it happens once here rather than inside a test's
# time limit.
export WINEDEBUG=-all
export WINEPREFIX="$PWD/build/mingw/wineprefix"
wineboot --init >/dev/null 2>&1 || true
wineserver --wait || true

ctest --preset mingw
