#!/usr/bin/env bash
# Builds the Debian package of the build folder into a temporary folder, offline, and checks it: its name, the
# files a desktop needs, dependencies read off the program, and lintian's verdict when lintian is present.
#   package_deb.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" || { cat "$out/cpack.log"; exit 1; }
deb=$(echo "$out"/lumaport_*_"$(dpkg --print-architecture)".deb)
[ -f "$deb" ] || { echo "no package in $out:"; ls "$out"; exit 1; }
echo "built $(basename "$deb")"

depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6widgets6 libcurl4 libc6 libqt6sql6-sqlite; do
    [[ $depends == *"$library"* ]] || { echo "Depends lacks $library: $depends"; exit 1; }
done
contents=$(dpkg-deb --contents "$deb")
for file in bin/lumaport share/lumaport/noPreview.jpg share/applications/org.lumaport.Lumaport.desktop \
    share/metainfo/org.lumaport.Lumaport.metainfo.xml share/icons/hicolor/scalable/apps/org.lumaport.Lumaport.svg; do
    grep -q " \./usr/$file\$" <<<"$contents" || { echo "package lacks /usr/$file"; exit 1; }
done
echo "Depends: $depends"

if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb"
    echo "lintian passed"
fi
