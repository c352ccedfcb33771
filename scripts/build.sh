#!/usr/bin/env bash
# Configures (once) and builds into ./build; with --sanitize, into ./build-asan with AddressSanitizer and
# UndefinedBehaviorSanitizer and without the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = --sanitize ]; then
    folder=build-asan
    options=(-DCMAKE_BUILD_TYPE=Debug -DLUMAPORT_SANITIZE=ON -DLUMAPORT_BENCHMARKS=OFF)
fi
# Make, not Ninja: with the Ninja generator of CMake 3.25 the automatic moc step does not run again when a
# header is added to a library, and the next incremental build fails to link.
if [ -f "$folder/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Unix Makefiles$' "$folder/CMakeCache.txt"; then
    rm -rf "$folder"
fi
if [ ! -f "$folder/CMakeCache.txt" ]; then
    cmake -S . -B "$folder" -G "Unix Makefiles" "${options[@]}" -DLUMAPORT_WERROR=ON
fi
cmake --build "$folder" --parallel "$(nproc)"
