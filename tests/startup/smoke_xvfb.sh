#!/usr/bin/env bash
# Starts the real program on a virtual X server and looks for the splash, then the main window.
set -euo pipefail
program=$1

# Runs inside xvfb-run: wait for a top-level window with that exact name.
if [ "${2:-}" = "--inside" ]; then
    workdir=$(mktemp -d)
    trap 'rm -rf "$workdir"' EXIT
    cp "$program" "$workdir/"
    cp "$(dirname "$program")/noPreview.jpg" "$workdir/"
    "$workdir/$(basename "$program")" &
    pid=$!
    trap 'kill "$pid" 2>/dev/null || true; rm -rf "$workdir"' EXIT
    wait_for() {
        local name=$1 seconds=$2
        for _ in $(seq $((seconds * 10))); do
            xwininfo -root -tree 2>/dev/null | grep -q "\"$name\"" && return 0
            kill -0 "$pid" 2>/dev/null || { echo "program exited early"; return 1; }
            sleep 0.1
        done
        echo "no window named \"$name\" within ${seconds}s"
        xwininfo -root -tree | head -40
        return 1
    }
    wait_for "Form1" 5
    echo "splash shown"
    wait_for "Load Picture" 6
    echo "main window shown"
    if [ -n "${LUMAPORT_SMOKE_SCREENSHOT:-}" ]; then
        sleep 0.5
        import -window root "$LUMAPORT_SMOKE_SCREENSHOT"
    fi
    exit 0
fi

exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$program" --inside
