#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over the sources of veltrane_common and
# veltrane_core (common/ and app/core), on the debug build's compile commands: scripts/tidy.sh
# Fails on any finding, and prints them.
set -euo pipefail
cd "$(dirname "$0")/.."

database=build/debug/compile_commands.json
[ -f "$database" ] || cmake --preset debug >/dev/null

# The sources this platform builds, as the database names them.
root="$PWD"
mapfile -t sources < <(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$database" |
    grep -E "^$root/(common|app/core)/.*\.cpp$" | sort -u)
if [ ${#sources[@]} -eq 0 ]; then
    echo "No core sources in $database" >&2
    exit 1
fi

report=$(mktemp)
trap 'rm -f "$report"' EXIT
status=0
# g++ builds with its default, gnu++17, and CMake passes no -std for it; clang-tidy's own default
# is older.
printf '%s\n' "${sources[@]}" | xargs -P2 -n4 clang-tidy -p build/debug --quiet --extra-arg=-std=gnu++17 \
    >"$report" 2>&1 || status=1
if grep -qE ': (warning|error):' "$report"; then
    status=1
fi
if [ $status -ne 0 ]; then
    grep -v -E '^[0-9]+ (warning|error)s? generated\.$' "$report"
    echo "clang-tidy found the above in ${#sources[@]} sources." >&2
fi
exit $status
