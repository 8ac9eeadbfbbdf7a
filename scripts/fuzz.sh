#!/usr/bin/env bash
# Builds the fuzz targets (the packet parser, the ICMP helper's messages) with
# clang into build-fuzz/ and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds]   (default 60 each)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTARSINO_FUZZ=ON \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target icmp_packet_fuzz icmp_helper_protocol_fuzz
mkdir -p build-fuzz/corpus
# New inputs go to build-fuzz/corpus; the seeds (one answer of each kind) stay as they are.
build-fuzz/tests/fuzz/icmp_packet_fuzz -max_total_time="$seconds" -print_final_stats=1 build-fuzz/corpus tests/fuzz/seeds
mkdir -p build-fuzz/corpus-icmp-helper
build-fuzz/tests/fuzz/icmp_helper_protocol_fuzz -max_total_time="$seconds" -print_final_stats=1 \
    build-fuzz/corpus-icmp-helper tests/fuzz/corpus/icmp_helper_protocol_fuzz
