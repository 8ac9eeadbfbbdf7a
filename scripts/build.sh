#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with --asan); prints the folder.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
flags=(-DTARSINO_WERROR=ON)
if [ "${1:-}" = "--asan" ]; then
    dir=build-asan
    flags+=(-DTARSINO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
# Progress goes to stderr; stdout carries only the build folder, for callers.
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >&2
cmake --build "$dir" -j"$(nproc)" >&2
echo "$dir"
