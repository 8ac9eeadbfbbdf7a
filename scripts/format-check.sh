#!/usr/bin/env bash
# Fails, listing them, when clang-format would change any C++ file of ours.
# The tree is laid out by Debian 12's clang-format (14); other versions break
# some lines differently, so CI checks on Debian 12.
# Usage: scripts/format-check.sh   (scripts/install-deps.sh test installs clang-format)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || scripts/install-deps.sh test
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${files[@]}" 2>/dev/null; then
    clang-format --dry-run "${files[@]}" 2>&1 | grep -oE '^[^:]+\.(cpp|h):' | sort -u |
        sed 's/:$/: not as clang-format lays it out (run: clang-format -i FILE)/'
    exit 1
fi
echo "${#files[@]} C++ files, every one as clang-format lays it out"
