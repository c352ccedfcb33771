#!/usr/bin/env bash
# Builds Lumaport and its Debian package, build/lumaport_<version>_<architecture>.deb; its dependencies are
# read off the program. Install it with   sudo apt install ./build/lumaport_<version>_amd64.deb
# and remove it with   sudo apt remove lumaport
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
cpack --config build/CPackConfig.cmake -B build
