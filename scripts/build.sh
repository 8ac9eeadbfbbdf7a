#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with --asan).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
flags=()
if [ "${1:-}" = "--asan" ]; then
    dir=build-asan
    flags=(-DTARSINO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
echo "$dir"
