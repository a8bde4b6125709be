#!/usr/bin/env bash
# The demo in one command: installs what the build needs, builds the release preset, starts the
# local demo server democrm with its demo data on 127.0.0.1 and starts Veltrane. The server and
# its database (in a temporary folder) go away when Veltrane closes.
#
#   scripts/demo.sh          the demo, in a desktop session
#   scripts/demo.sh --smoke  a headless check on a virtual X server: Veltrane must start and keep
#                            running for a few seconds; nothing can be clicked
set -euo pipefail
cd "$(dirname "$0")/.."

preset=release
build="build/$preset"
port=8765
smoke_seconds=10

mode=demo
case "${1:-}" in
    "") ;;
    --smoke) mode=smoke ;;
    -h | --help)
        sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *)
        echo "demo.sh: unknown option $1 (try --help)" >&2
        exit 2
        ;;
esac

# Veltrane is a desktop program; say so before a long build rather than after it.
if [ "$mode" = demo ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<'EOF'
demo.sh: no display. Veltrane is a desktop program and needs a desktop session
($DISPLAY or $WAYLAND_DISPLAY is set there). Run this script from a terminal on the desktop,
or over "ssh -X".

For a headless smoke run on a virtual X server (Veltrane only starts; nothing can be clicked):
    scripts/demo.sh --smoke
EOF
    exit 1
fi

bash scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target veltrane democrm helper_addr helper_date helper_task helper_note -- -j2

tmp=$(mktemp -d "${TMPDIR:-/tmp}/veltrane-demo.XXXXXX")
server_pid=""
cleanup() {
    if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        echo "Demo server stopped."
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Starts democrm on the given port and sets $url from the line it prints once it listens.
# False when it ended without listening (the port taken, most likely).
start_server() {
    rm -f "$tmp/democrm.sqlite" "$tmp/democrm.out"
    "$build/tools/democrm/democrm" --address 127.0.0.1 --port "$1" --db "$tmp/democrm.sqlite" --seed demo \
        >"$tmp/democrm.out" 2>"$tmp/democrm.err" &
    server_pid=$!
    for _ in $(seq 150); do
        url=$(sed -n 's/^democrm listening on //p' "$tmp/democrm.out")
        [ -n "$url" ] && return 0
        kill -0 "$server_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
    return 1
}

url=""
if ! start_server "$port"; then
    echo "Port $port is not free; the demo server takes another one."
    if ! start_server 0; then
        echo "demo.sh: the demo server did not start:" >&2
        cat "$tmp/democrm.err" >&2
        exit 1
    fi
fi

cat <<EOF

Demo server ready with made-up contacts, accounts, leads, calls, meetings, tasks and notes,
duplicates included. On Veltrane's first page type:

    Server address:  $url
    User name:       admin
    Password:        admin

then choose Contacts, Calendar Events or Tasks and press Next.
The demo server stops when Veltrane closes.

EOF

if [ "$mode" = smoke ]; then
    echo "Smoke run: starting Veltrane on a virtual X server for $smoke_seconds seconds."
    status=0
    # The time limit runs inside xvfb-run, so that xvfb-run still stops its X server afterwards.
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
        timeout "$smoke_seconds" "$build/bin/veltrane" || status=$?
    # timeout answers 124 when Veltrane was still running: it started and stayed up.
    if [ "$status" -eq 124 ]; then
        echo "Smoke run passed: Veltrane started and kept running."
        exit 0
    fi
    echo "demo.sh: smoke run failed: Veltrane ended by itself (exit status $status)." >&2
    exit 1
fi

status=0
"$build/bin/veltrane" || status=$?
exit "$status"
