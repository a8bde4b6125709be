#!/usr/bin/env bash
# Installs every Debian package that building and testing Veltrane needs. Safe to run again:
# packages already present are not fetched, and apt-get runs only when something is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-format clang-tidy
    qt6-base-dev qt6-svg-dev libgl-dev libx11-dev fonts-dejavu-core
    qt6-httpserver-dev qt6-websockets-dev libqt6sql6-sqlite
    xvfb xauth
    mingw-w64 wine wine64 librsvg2-bin imagemagick nsis
    dpkg-dev desktop-file-utils appstream x11-utils ccache
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
