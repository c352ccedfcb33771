#!/usr/bin/env bash
# Configures (once) and builds into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAPORT_WERROR=ON
fi
cmake --build build --parallel "$(nproc)"
