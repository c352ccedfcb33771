#!/usr/bin/env bash
# Configures (once) and builds into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
# Make, not Ninja: with the Ninja generator of CMake 3.25 the automatic moc step does not run again when a
# header is added to a library, and the next incremental build fails to link.
if [ -f build/CMakeCache.txt ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Unix Makefiles$' build/CMakeCache.txt; then
    rm -rf build
fi
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAPORT_WERROR=ON
fi
cmake --build build --parallel "$(nproc)"
