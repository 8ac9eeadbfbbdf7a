#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tarsino on the current display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
scripts/build.sh >/dev/null
exec build/src/app/tarsino "$@"
