#!/usr/bin/env bash
# Checks the Windows installer as a user would, under Wine in a fresh prefix of its own: a silent
# install, the installed veltrane.exe started from its Start-menu folder on a virtual X server
# (its main window must show, with nothing but the installed files to run on), then a silent
# uninstall that must leave none of the installed files, the shortcut or the registry entry, and
# must keep the user's data folder.
#
#   scripts/test-windows-setup.sh [SETUP.exe] [--screenshot PNG]
#     (default: the installer scripts/package.sh windows made; --screenshot also saves the first
#      page of the installed program as it shows under Wine)
set -euo pipefail
cd "$(dirname "$0")/.."

run_seconds=60
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Veltrane'

fail() {
    echo "test-windows-setup.sh: FAILED: $*" >&2
    exit 1
}

setup="" screenshot=""
while [ $# -gt 0 ]; do
    case "$1" in
        --screenshot) screenshot=$(realpath -m "$2"); shift 2 ;;
        *) setup=$1; shift ;;
    esac
done
if [ -z "$setup" ]; then
    shopt -s nullglob
    setups=(build/package-windows/Veltrane-*-setup.exe)
    shopt -u nullglob
    [ ${#setups[@]} -eq 1 ] ||
        fail "expected one installer in build/package-windows (scripts/package.sh windows makes it), found ${#setups[@]}"
    setup=${setups[0]}
fi
[ -f "$setup" ] || fail "no such installer: $setup"
setup=$(realpath "$setup")

export WINEDEBUG=-all
export WINEPREFIX="$PWD/build/package-windows/wineprefix"
unset WINEPATH
rm -rf "$WINEPREFIX"
wineboot --init >/dev/null 2>&1 || true
wineserver --wait || true

program_files="$WINEPREFIX/drive_c/Program Files/Veltrane"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Veltrane.lnk"
data="$WINEPREFIX/drive_c/ProgramData/quorvel"

echo "Installing $setup"
wine "$setup" /S
wineserver --wait || true
for file in veltrane.exe Quorvel.SGAddrUtil.exe Quorvel.SGDateUtil.exe Quorvel.SGTaskUtil.exe \
    Quorvel.SGNoteUtil.exe UserGuide.html Qt6Core.dll Qt6Widgets.dll platforms/qwindows.dll uninstall.exe; do
    [ -f "$program_files/$file" ] || fail "the installer did not install $file"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
wine reg query "$uninstall_key" /v UninstallString >/dev/null 2>&1 || fail "no entry in Add/Remove Programs"
installed=$(cd "$program_files" && find . -type f | sort)

echo "Starting the installed veltrane.exe on a virtual X server"
# Wine's desktop process from the install has no display: a new one must start with this one.
wineserver --kill || true
wineserver --wait || true
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    cd "$1"
    wine ./veltrane.exe >/dev/null 2>&1 &
    program=$!
    for _ in $(seq "$2"); do
        sleep 1
        xwininfo -root -tree 2>/dev/null | grep -q "\"Veltrane\"" && break
    done
    xwininfo -root -tree | grep -q "\"Veltrane\"" || { echo "no window titled Veltrane appeared" >&2; exit 1; }
    kill -0 "$program" 2>/dev/null || { echo "veltrane.exe ended by itself" >&2; exit 1; }
    if [ -n "$3" ]; then
        sleep 2
        id=$(xwininfo -root -tree | awk "/\"Veltrane\"/ { print \$1; exit }")
        import -window "$id" "$3"
    fi
    wineserver --kill
' start "$program_files" "$run_seconds" "$screenshot" || fail "the installed program did not start"
wineserver --wait || true

# Data of the user's own, which the uninstaller must not touch.
mkdir -p "$data"
echo "kept" >"$data/user-file.txt"

echo "Uninstalling"
wine "$program_files/uninstall.exe" /S
wineserver --wait || true
# The uninstaller runs from a copy in the temporary folder and may finish a moment later.
for _ in $(seq 20); do
    [ -e "$program_files" ] || break
    sleep 1
done
if [ -e "$program_files" ]; then
    find "$program_files" >&2
    fail "the program folder is still there after the uninstall"
fi
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the Add/Remove Programs entry is still there"
[ "$(cat "$data/user-file.txt" 2>/dev/null)" = kept ] || fail "the uninstaller touched the user's data folder"

echo "Windows installer: installed $(echo "$installed" | wc -l) files, started, uninstalled cleanly."
