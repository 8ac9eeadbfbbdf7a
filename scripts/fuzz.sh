#!/usr/bin/env bash
# Builds every libFuzzer target of tests/fuzz with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/, and runs each in turn for its
# share of the time; any crash, leak, undefined behaviour or broken check
# fails the script.
# Usage: scripts/fuzz.sh [seconds]   total time (default 240), shared evenly
#                                    among the targets, at least 10 s each
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-240}
[[ $total =~ ^[0-9]+$ ]] || { echo "usage: scripts/fuzz.sh [seconds]" >&2; exit 2; }

cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTARSINO_FUZZ=ON -DTARSINO_WERROR=ON \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target fuzz_targets
mapfile -t targets <build-fuzz/tests/fuzz/targets.txt
each=$((total / ${#targets[@]}))
[ "$each" -ge 10 ] || each=10

mkdir -p build-fuzz/logs build-fuzz/crashes
for target in "${targets[@]}"; do
    # New inputs go to build-fuzz/corpus/TARGET; the committed seeds stay as they are.
    corpus=build-fuzz/corpus/$target
    mkdir -p "$corpus"
    options=(-max_total_time="$each" -timeout=10 -print_final_stats=1
             -artifact_prefix="build-fuzz/crashes/$target-")
    [ ! -f "tests/fuzz/$target.dict" ] || options+=(-dict="tests/fuzz/$target.dict")
    log=build-fuzz/logs/$target.log
    echo "fuzz: $target for ${each} s"
    if ! "build-fuzz/tests/fuzz/$target" "${options[@]}" "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "fuzz: $target failed; the input that did it is in build-fuzz/crashes/, the log in $log" >&2
        exit 1
    fi
    grep -E '^stat::number_of_executed_units|^Done' "$log" || true
done
