#!/usr/bin/env bash
# Builds the product alone in release mode and packs it. Prints where each package lands.
#
#   scripts/package.sh        every package
#   scripts/package.sh deb    only the Debian package (scripts/test-deb.sh installs and checks it)
set -euo pipefail
cd "$(dirname "$0")/.."

# The Debian package: CPack's DEB generator, dependencies found by dpkg-shlibdeps.
package_deb() {
    local preset=package
    local build="build/$preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -- -j2
    # A package left from an earlier version must not be taken for this one.
    rm -f "$build"/veltrane_*.deb
    cpack --preset "$preset"
    local deb
    deb=$(ls "$build"/veltrane_*.deb)
    echo "Debian package: $deb ($(du -h "$deb" | cut -f1))"
}

parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(deb)
for part in "${parts[@]}"; do
    case "$part" in
        deb) ;;
        *)
            echo "package.sh: unknown package $part (known: deb)" >&2
            exit 2
            ;;
    esac
done

bash scripts/setup.sh
for part in "${parts[@]}"; do
    "package_$part"
done
