#!/usr/bin/env bash
# Builds the screenshot tool and takes the pictures of docs/screenshots on a virtual X server: the
# three wizard pages with a small contacts data set served by the stand-in helper, the rules and
# troubleshooting dialogs, and the wait window.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/screenshots
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRANE_BUILD_TESTS=ON \
    -DVELTRANE_BUILD_HELPERS=OFF -DVELTRANE_BUILD_DEMOCRM=OFF -DVELTRANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target screenshot_tool -- -j2

# The stand-in helpers sit beside the unit tests; the program finds them on the PATH.
PATH="$PWD/$build/tests/unit:$PATH" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/gui/screenshot_tool" docs/screenshots
