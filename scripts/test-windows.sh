#!/usr/bin/env bash
# The Windows half of the tests: veltrane's core, GUI and helpers cross-built with mingw-w64 against
# the Qt that build-qt-windows.sh makes (built first when it is not cached) and run under Wine. The
# GUI tests run with Qt's windows platform on a virtual X server. Then the end-to-end tests of the
# Linux build run with the Windows helpers: democrm stays native on loopback, and each helper the
# runner starts is a script that starts the Windows one under Wine. Needs the debug build's
# end-to-end test (scripts/test.sh builds it first).
set -euo pipefail
cd "$(dirname "$0")/.."

qt=$(bash scripts/build-qt-windows.sh | tail -n 1)
cmake --preset mingw -DVELTRANE_QT_WINDOWS="$qt" -DVELTRANE_WERROR=ON >/dev/null
cmake --build --preset mingw -- -j2

# A Wine prefix of its own inside the build folder (the test preset points WINEPREFIX there); the
# first start creates it, which takes a while, so it happens once here rather than inside a test's
# time limit.
export WINEDEBUG=-all
export WINEPREFIX="$PWD/build/mingw/wineprefix"
wineboot --init >/dev/null 2>&1 || true
# A crashing program must end as it would on Windows, not wait in Wine's crash dialog: the tests
# have a helper that crashes on purpose.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver --wait || true

ctest --preset mingw

cmake --build --preset debug --target e2e_cleaning democrm -- -j2
e2e="$PWD/build/mingw/e2e"
rm -rf "$e2e"
mkdir -p "$e2e"
cp build/debug/bin/e2e_cleaning "$e2e/"
for kind in Addr Date Task Note; do
    helper="$e2e/Quorvel.SG${kind}Util.exe"
    printf '#!/bin/sh\nexec wine "%s" "$@"\n' "$PWD/build/mingw/bin/Quorvel.SG${kind}Util.exe" >"$helper"
    chmod +x "$helper"
done
WINEPATH=$(cat build/mingw/winepath.txt) "$e2e/e2e_cleaning"
