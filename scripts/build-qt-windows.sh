#!/usr/bin/env bash
# Builds Qt for Windows (x86_64-w64-mingw32, shared libraries) once from Debian's own source
# packages, with Debian's installed Qt of the same version as the host Qt, into a cache folder
# keyed by version and options. Does nothing when that folder is complete. Prints its path last.
#
# Qt Svg is left out: the source mirror reachable here lacks qt6-svg's upstream tarball, so the
# Windows program shows its logo from a picture rendered at build time.
#
# Shared rather than static: five programs (veltrane and the four helpers) share one copy of
# QtCore and QtNetwork, and Qt's LGPL is met by shipping its DLLs as they are.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
upstream=${version%%+*}
options=(
    -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_openssl=OFF -DFEATURE_schannel=ON
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_style_windows=ON -DFEATURE_style_windowsvista=ON -DFEATURE_style_fusion=ON
    # Debian's repacked source has no wintab.h, which the Windows platform plugin needs for tablets.
    -DFEATURE_tabletevent=OFF
    # 6.4's Windows platform plugin uses QOpenGLContext unguarded: OpenGL stays on (dynamic).
    -DFEATURE_opengl_dynamic=ON
)
key=$(printf '%s\n' "$version" "${options[@]}" | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/veltrane
prefix=$cache/qt-$upstream-mingw64-$key

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

for p in dpkg-dev mingw-w64 qt6-base-dev-tools ninja-build cmake; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || {
        echo "build-qt-windows.sh: package $p is missing; run scripts/setup.sh first" >&2
        exit 1
    }
done

work=$cache/qt-$upstream-mingw64-build
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/lists/partial" "$work/src"

# Source lines of our own for the download only; the machine's apt configuration stays as it was.
cat >"$work/apt/sources.list" <<EOF
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
EOF
apt_options=(
    -o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache="
)
apt-get "${apt_options[@]}" update -qq
# apt checks each downloaded file against the signed index.
(cd "$work/src" && apt-get "${apt_options[@]}" source -qq --download-only "qt6-base=$version")
# dpkg-source checks every file against the checksums of its .dsc.
(cd "$work/src" && for dsc in *.dsc; do dpkg-source -x "$dsc" >/dev/null; done)

toolchain=(
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=AMD64
    -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc-posix -DCMAKE_CXX_COMPILER=x86_64-w64-mingw32-g++-posix
    -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres
    -DCMAKE_FIND_ROOT_PATH=/usr/x86_64-w64-mingw32
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY
)
started=$(date +%s)
cmake -G Ninja -S "$(echo "$work"/src/qt6-base-*/)" -B "$work/qtbase" "${toolchain[@]}" "${options[@]}" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >"$work/qtbase-configure.log"
cmake --build "$work/qtbase" -- -j"$(nproc)" >"$work/qtbase-build.log"
cmake --install "$work/qtbase" >/dev/null

echo "Qt $upstream for Windows built in $(($(date +%s) - started)) s, $(du -sh "$prefix" | cut -f1)" >&2
rm -rf "$work"
touch "$prefix/.complete"
echo "$prefix"
