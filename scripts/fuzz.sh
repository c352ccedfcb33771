#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer into
# ./build-fuzz and runs each one in turn for the given seconds (default 60), starting from its corpus in
# tests/fuzz/corpus/<target>/.
#   scripts/fuzz.sh [seconds per target] [target...]
# What the fuzzer learns stays in build-fuzz/corpus/<target>/, so the kept corpus stays small. A finding stops
# the script with the input in build-fuzz/findings/<target>/: mend it and add the input to the kept corpus,
# where ./test replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for corpus in tests/fuzz/corpus/*/; do
        targets+=("$(basename "$corpus")")
    done
fi

./scripts/install-deps.sh --fuzz
folder=build-fuzz
# Configured each time, so a target added since the last run is known.
cmake -S . -B "$folder" -G "Unix Makefiles" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAPORT_FUZZ=ON -DLUMAPORT_BENCHMARKS=OFF >/dev/null
cmake --build "$folder" --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

for target in "${targets[@]}"; do
    mkdir -p "$folder/corpus/$target" "$folder/findings/$target"
    echo "== $target: $seconds s"
    # One process on one core: the machine is shared.
    status=0
    "$folder/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$folder/findings/$target/" \
        "$folder/corpus/$target" "tests/fuzz/corpus/$target" >"$folder/$target.log" 2>&1 || status=$?
    grep -E '^(#[0-9]+[[:space:]]+(INITED|DONE)|stat::number_of_executed_units|Broken|SUMMARY)' "$folder/$target.log" || true
    if [ "$status" -ne 0 ]; then
        echo "$target: finding in $folder/findings/$target/ (log: $folder/$target.log)"
        exit 1
    fi
done
