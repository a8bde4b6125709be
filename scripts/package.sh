#!/usr/bin/env bash
# Builds the product alone in release mode and packs it. Prints where each package lands.
#
#   scripts/package.sh           every package
#   scripts/package.sh deb       only the Debian package (scripts/test-deb.sh installs and checks it)
#   scripts/package.sh windows   only the Windows installer (scripts/test-windows-setup.sh checks it)
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

# The Windows installer: the program cross-built against the Qt that build-qt-windows.sh makes
# (built first when it is not cached), staged with its DLLs and packed by NSIS.
package_windows() {
    local preset=package-windows
    local build="build/$preset"
    local qt
    qt=$(bash scripts/build-qt-windows.sh | tail -n 1)
    cmake --preset "$preset" -DVELTRANE_QT_WINDOWS="$qt" >/dev/null
    cmake --build --preset "$preset" -- -j2
    local stage="$build/stage"
    rm -rf "$stage"
    cmake --install "$build" --component veltrane --prefix "$stage" --strip >/dev/null

    # One line per file to install and one to remove it again, so that the uninstaller takes away
    # exactly what the installer brought, and each folder only once it is empty.
    local files="$build/files.nsh" unfiles="$build/unfiles.nsh" file dir
    : >"$files"
    : >"$unfiles"
    while IFS= read -r file; do
        dir=$(dirname "$file")
        dir=${dir#.}
        echo "SetOutPath \"\$INSTDIR${dir//\//\\}\"" >>"$files"
        echo "File \"$(realpath "$stage/$file")\"" >>"$files"
        echo "Delete \"\$INSTDIR\\${file#./}\"" | sed 's|/|\\|g' >>"$unfiles"
    done < <(cd "$stage" && find . -type f | sort)
    while IFS= read -r dir; do
        echo "RMDir \"\$INSTDIR\\${dir#./}\"" | sed 's|/|\\|g' >>"$unfiles"
    done < <(cd "$stage" && find . -mindepth 1 -type d | sort -r)

    local version setup
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    setup="$build/Veltrane-$version-setup.exe"
    rm -f "$build"/Veltrane-*-setup.exe
    makensis -V2 -DVERSION="$version" -DFILES="$(realpath "$files")" \
        -DUNFILES="$(realpath "$unfiles")" -DICON="$(realpath "$build/app/gui/veltrane.ico")" \
        -DOUTFILE="$(realpath "$build")/Veltrane-$version-setup.exe" packaging/veltrane.nsi
    echo "Windows installer: $setup ($(du -h "$setup" | cut -f1))"
}

parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(deb windows)
for part in "${parts[@]}"; do
    case "$part" in
        deb | windows) ;;
        *)
            echo "package.sh: unknown package $part (known: deb, windows)" >&2
            exit 2
            ;;
    esac
done

bash scripts/setup.sh
for part in "${parts[@]}"; do
    "package_$part"
done
