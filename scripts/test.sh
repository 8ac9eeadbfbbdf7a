#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (add --asan for the
# AddressSanitizer/UndefinedBehaviorSanitizer build). Namespace tests need
# root and skip themselves, saying why, elsewhere; the summary names every
# skip. With CI=true a test that cannot run fails instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
dir=$(scripts/build.sh "$@" | tail -n 1)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$dir"
status=0
ctest --output-on-failure --timeout 900 || status=$?
# CTest counts a Qt test function that skipped as passed: name each one (but
# the halves of a test that run only as nobody, inside their other half). In
# CI (CI=true) a test that cannot run fails instead of skipping.
skipped=$(awk '/^[0-9]+\/[0-9]+ Testing: / { test = $3 }
               /^SKIP   : / && !/runs as nobody, started by/ { sub(/^SKIP   : /, ""); print "  " test ": " $0 }' \
              Testing/Temporary/LastTest.log)
if [ -n "$skipped" ]; then
    echo
    echo "Skipped, though CTest counts them as passed:"
    echo "$skipped"
fi
exit "$status"
