#!/usr/bin/env bash
# Installs what is missing, builds the program and its helper programs (not
# the tests and benchmarks), and starts Tarsino on the current display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
scripts/build.sh tarsino >/dev/null
exec build/src/app/tarsino "$@"
