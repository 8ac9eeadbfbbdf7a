#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with --asan); prints the folder.
# Usage: scripts/build.sh [--asan] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
flags=(-DTARSINO_WERROR=ON)
if [ "${1:-}" = "--asan" ]; then
    dir=build-asan
    flags+=(-DTARSINO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    shift
fi
# Only the targets named (e.g. tarsino, which brings its helper programs), or all.
targets=()
for target in "$@"; do targets+=(--target "$target"); done
# Progress goes to stderr; stdout carries only the build folder, for callers.
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >&2
cmake --build "$dir" -j"$(nproc)" "${targets[@]}" >&2
echo "$dir"
