#!/usr/bin/env bash
# Formats every C++ source with the repository's .clang-format: scripts/format.sh [--check]
# With --check nothing is changed; the script fails and names the files that drift.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" != "--check" ]; then
    clang-format -i "${sources[@]}"
    exit 0
fi
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if ! clang-format --dry-run --Werror "${sources[@]}" 2>"$report"; then
    sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/not formatted: \1/p' "$report" | sort -u
    echo "Run scripts/format.sh to format them." >&2
    exit 1
fi
