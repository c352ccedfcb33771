#!/usr/bin/env bash
# Installs the program into a temporary prefix, as a package would, and checks what is installed: the answers
# to --help and --version without a display, the desktop entry and AppStream file (with their validators, when
# present), and the installed program on a virtual X server, which shows the splash, then the main window with
# its placeholder picture found in share/, and keeps its settings in $XDG_CONFIG_HOME/lumaport.
#   installed_xvfb.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2

if [ "${3:-}" = "--inside" ]; then
    program=$4 errors=$5
    "$program" 2>"$errors" &
    pid=$!
    trap 'kill "$pid" 2>/dev/null || true' EXIT
    wait_for() {
        local name=$1 seconds=$2
        for _ in $(seq $((seconds * 10))); do
            xwininfo -root -tree 2>/dev/null | grep -q "\"$name\"" && return 0
            kill -0 "$pid" 2>/dev/null || { echo "program exited early"; cat "$errors"; return 1; }
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

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
program=$prefix/bin/lumaport

answer=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$program" --version)
[ "$answer" = "Lumaport $version" ] || { echo "--version said: $answer"; exit 1; }
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$program" --help | grep -q '^Usage: .*lumaport \[options\] \[file\.\.\.\]'
echo "--help and --version answered without a display"

entry=$prefix/share/applications/org.lumaport.Lumaport.desktop
metainfo=$prefix/share/metainfo/org.lumaport.Lumaport.metainfo.xml
for icon in 48x48/apps/org.lumaport.Lumaport.png 128x128/apps/org.lumaport.Lumaport.png \
    256x256/apps/org.lumaport.Lumaport.png scalable/apps/org.lumaport.Lumaport.svg; do
    [ -s "$prefix/share/icons/hicolor/$icon" ] || { echo "icon $icon missing"; exit 1; }
done
[ -s "$prefix/share/kio/servicemenus/org.lumaport.Lumaport.publish.desktop" ] || { echo "service menu missing"; exit 1; }
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry"
    echo "desktop entry valid"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo"
fi

export XDG_CONFIG_HOME=$prefix/config
errors=$prefix/errors.txt
xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$version" --inside "$program" "$errors"
if grep -q 'noPreview' "$errors"; then
    cat "$errors"
    exit 1
fi
echo "placeholder found"
[ -d "$XDG_CONFIG_HOME/lumaport" ] || { echo "no settings folder in $XDG_CONFIG_HOME"; exit 1; }
echo "settings kept in \$XDG_CONFIG_HOME/lumaport"
