#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (add --asan for the
# AddressSanitizer/UndefinedBehaviorSanitizer build). Namespace tests need
# root and skip themselves, saying why, elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
dir=$(scripts/build.sh "$@" | tail -n 1)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$dir"
ctest --output-on-failure --timeout 900
