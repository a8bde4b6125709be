#!/usr/bin/env bash
# Checks the Debian package as a user would: installs it, starts `veltrane` from PATH on a virtual
# X server (its main window must show and it must keep running), validates the desktop file and
# the AppStream metainfo, removes the package and checks that none of its files is left.
# Refuses to run when a veltrane package is already installed, and always removes the package it
# installed, also after a failure.
#
#   scripts/test-deb.sh [PACKAGE.deb]   (default: the one scripts/package.sh made)
set -euo pipefail
cd "$(dirname "$0")/.."

run_seconds=8
program_dir=/usr/lib/veltrane

fail() {
    echo "test-deb.sh: FAILED: $*" >&2
    exit 1
}

# Empty when dpkg has never heard of the package, else "installed", "not-installed", ...
package_status() {
    dpkg-query -W -f='${db:Status-Status}' veltrane 2>/dev/null || true
}

deb=${1:-}
if [ -z "$deb" ]; then
    shopt -s nullglob
    debs=(build/package/veltrane_*.deb)
    shopt -u nullglob
    [ ${#debs[@]} -eq 1 ] || fail "expected one package in build/package (scripts/package.sh makes it), found ${#debs[@]}"
    deb=${debs[0]}
fi
[ -f "$deb" ] || fail "no such package: $deb"
deb=$(realpath "$deb")
[ "$(dpkg-deb -f "$deb" Package)" = veltrane ] || fail "$deb is not the veltrane package"
version=$(dpkg-deb -f "$deb" Version)

status=$(package_status)
if [ -n "$status" ] && [ "$status" != not-installed ]; then
    echo "test-deb.sh: a veltrane package is already on this machine (status: $status)." >&2
    echo "This test installs and removes its own; remove yours first (dpkg -r veltrane)." >&2
    exit 2
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# The program keeps its settings in the user's data folder: what the run creates there goes again.
home=$(getent passwd "$(id -u)" | cut -d: -f6)
data_dirs=("$home/.local" "$home/.local/share" "$home/.local/share/quorvel")
new_data_dirs=()
for d in "${data_dirs[@]}"; do
    [ -e "$d" ] || new_data_dirs+=("$d")
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/veltrane-test-deb.XXXXXX")
installed=""
cleanup() {
    if [ -n "$installed" ] && [ "$(package_status)" != not-installed ] && [ -n "$(package_status)" ]; then
        echo "Removing the package this test installed."
        $sudo dpkg --purge veltrane >/dev/null || echo "test-deb.sh: could not remove veltrane" >&2
    fi
    # Deepest first; a folder that something else filled in the meantime stays.
    local i
    for ((i = ${#new_data_dirs[@]} - 1; i >= 0; i--)); do
        if [ "${new_data_dirs[i]}" = "$home/.local/share/quorvel" ]; then
            rm -rf "${new_data_dirs[i]}"
        else
            rmdir "${new_data_dirs[i]}" 2>/dev/null || true
        fi
    done
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "Installing $deb"
installed=1
$sudo apt-get install -y -q --no-install-recommends "$deb" >"$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log" >&2; fail "apt-get could not install the package"; }
[ "$(package_status)" = installed ] || fail "the package is not fully installed: $(package_status)"

# The program, its helpers and its user guide in one folder: the program finds them beside itself.
[ "$(command -v veltrane)" = /usr/bin/veltrane ] || fail "veltrane on PATH is $(command -v veltrane || echo missing)"
[ "$(readlink -f /usr/bin/veltrane)" = "$program_dir/veltrane" ] || fail "/usr/bin/veltrane does not lead to $program_dir"
for f in veltrane Quorvel.SGAddrUtil.exe Quorvel.SGDateUtil.exe Quorvel.SGTaskUtil.exe Quorvel.SGNoteUtil.exe; do
    [ -x "$program_dir/$f" ] || fail "$program_dir/$f is missing or not executable"
done
[ -s "$program_dir/UserGuide.html" ] || fail "the user guide is not beside the program"

desktop=/usr/share/applications/veltrane.desktop
metainfo=/usr/share/metainfo/org.quorvel.veltrane.metainfo.xml
[ -f "$desktop" ] || fail "$desktop is missing"
[ -f "$metainfo" ] || fail "$metainfo is missing"
desktop-file-validate "$desktop" >"$tmp/desktop.txt" 2>&1 || true
[ ! -s "$tmp/desktop.txt" ] || { cat "$tmp/desktop.txt" >&2; fail "desktop-file-validate: $desktop"; }
echo "desktop-file-validate: clean"
# The desktop file must start what the package installs and show the icon it installs.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ "$(command -v "$exec_name")" = /usr/bin/veltrane ] || fail "the desktop file starts '$exec_name'"
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "/usr/share/icons/hicolor/scalable/apps/$icon_name.svg" ] || fail "no hicolor icon for Icon=$icon_name"

appstreamcli validate --no-net "$metainfo" >"$tmp/appstream.txt" 2>&1 ||
    { cat "$tmp/appstream.txt" >&2; fail "appstreamcli validate: $metainfo"; }
! grep -qE '^[EWI]: ' "$tmp/appstream.txt" || { cat "$tmp/appstream.txt" >&2; fail "appstreamcli reported issues"; }
echo "appstreamcli validate: $(tail -n 1 "$tmp/appstream.txt")"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo names no release $version"

# Runs on the virtual X server: starts veltrane from PATH, waits for its main window and checks
# that it is still running after a while.
check_running() {
    local seconds=$1 out=$2
    veltrane >"$out" 2>&1 &
    local pid=$! id="" w
    for _ in $(seq 150); do
        kill -0 "$pid" 2>/dev/null || break
        # Qt also names an unmapped helper window after the program: the shown one counts.
        for w in $(xwininfo -root -tree | awk '/ "Veltrane": \(/ { print $1 }'); do
            xwininfo -id "$w" | grep -q 'Map State: IsViewable' && id=$w && break
        done
        [ -n "$id" ] && break
        sleep 0.1
    done
    if [ -z "$id" ]; then
        kill "$pid" 2>/dev/null || true
        echo "no main window titled Veltrane appeared"
        return 1
    fi
    sleep "$seconds"
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "veltrane ended by itself"
        return 1
    fi
    echo "main window: $(xwininfo -root -tree | grep -m1 " $id " | sed 's/^ *//')"
    # What the program reads to find its helpers and its user guide beside itself.
    local exe
    exe=$(readlink "/proc/$pid/exe")
    echo "running: $exe"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    [ "$exe" = "$program_dir/veltrane" ] || {
        echo "veltrane does not run from $program_dir"
        return 1
    }
}

echo "Starting veltrane on a virtual X server for $run_seconds seconds"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
    bash -c "program_dir=$program_dir; $(declare -f check_running); check_running \"\$@\"" _ "$run_seconds" \
    "$tmp/veltrane.out" >"$tmp/run.txt" 2>&1 ||
    { cat "$tmp/run.txt" "$tmp/veltrane.out" >&2; fail "veltrane did not start and keep running"; }
cat "$tmp/run.txt"

# Every file of the package must go; a folder may stay only while another package owns it.
dpkg-query -L veltrane >"$tmp/files.txt"
$sudo dpkg -r veltrane >/dev/null
left=()
while read -r path; do
    [ "$path" = /. ] && continue
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        dpkg-query -S "$path" >/dev/null 2>&1 || left+=("$path")
    elif [ -e "$path" ] || [ -L "$path" ]; then
        left+=("$path")
    fi
done <"$tmp/files.txt"
[ ${#left[@]} -eq 0 ] || fail "removal left: ${left[*]}"
echo "dpkg -r veltrane: none of its $(grep -vc '^/\.$' "$tmp/files.txt") paths left"

echo "Package test passed: $(basename "$deb")"
