#!/usr/bin/env bash
# Configures and builds into ./build; with --sanitize, into ./build-asan with AddressSanitizer and
# UndefinedBehaviorSanitizer and without the benchmarks. With --werror warnings are errors, as ./test wants
# them; without, a newer compiler's new warnings never keep a user from building the program.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
werror=
for argument in "$@"; do
    case "$argument" in
    --sanitize)
        folder=build-asan
        options=(-DCMAKE_BUILD_TYPE=Debug -DLUMAPORT_SANITIZE=ON -DLUMAPORT_BENCHMARKS=OFF)
        ;;
    --werror) werror=ON ;;
    *)
        echo "Usage: $0 [--sanitize] [--werror]" >&2
        exit 2
        ;;
    esac
done
# Make, not Ninja: with the Ninja generator of CMake 3.25 the automatic moc step does not run again when a
# header is added to a library, and the next incremental build fails to link.
if [ -f "$folder/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Unix Makefiles$' "$folder/CMakeCache.txt"; then
    rm -rf "$folder"
fi
# Without --werror a folder is built as it was configured, so ./run after ./test, and ./test after ./run,
# compile nothing that did not change. A new one takes warnings for errors only with the compiler ./test is run
# with (Debian 12's GCC 12): a newer compiler's new warnings never stop ./run or a package.
if [ -z "$werror" ]; then
    if [ -f "$folder/CMakeCache.txt" ]; then
        werror=$(sed -n 's/^LUMAPORT_WERROR:BOOL=//p' "$folder/CMakeCache.txt")
    elif c++ -dumpfullversion 2>/dev/null | grep -q '^12\.'; then
        werror=ON
    else
        werror=OFF
    fi
fi
if [ ! -f "$folder/CMakeCache.txt" ] || ! grep -q "^LUMAPORT_WERROR:BOOL=$werror\$" "$folder/CMakeCache.txt"; then
    cmake -S . -B "$folder" -G "Unix Makefiles" "${options[@]}" -DLUMAPORT_WERROR="$werror"
fi
cmake --build "$folder" --parallel "$(nproc)"
