#!/usr/bin/env bash
# ./run builds the folder ./test built, and the other way round: the second build compiles nothing and
# configures nothing again.
#   rebuild_nothing.sh SOURCE_DIR
set -euo pipefail
cd "$1"
log=$(./scripts/build.sh 2>&1) || { echo "$log"; exit 1; }
if grep -E 'Building CXX|Configuring done|Linking CXX' <<<"$log"; then
    echo "a build with nothing changed did the above"
    exit 1
fi
echo "nothing rebuilt"
