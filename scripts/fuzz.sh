#!/usr/bin/env bash
# Builds the packet parser's fuzz target with clang into build-fuzz/ and runs
# it for a bounded time. Usage: scripts/fuzz.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTARSINO_FUZZ=ON -DTARSINO_WERROR=ON \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target icmp_packet_fuzz
mkdir -p build-fuzz/corpus
# New inputs go to build-fuzz/corpus; the seeds (one answer of each kind) stay as they are.
build-fuzz/tests/fuzz/icmp_packet_fuzz -max_total_time="$seconds" -print_final_stats=1 build-fuzz/corpus tests/fuzz/seeds
