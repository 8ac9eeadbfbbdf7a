#!/usr/bin/env bash
# Each layer includes only what lies below it:
#   app > shell > tools/{ping,traceroute,hosts} > ui > net > platform
# helpers (separate programs) take only the plain platform code of
# platform/icmp and platform/process; a tool never takes another tool's files.
# Usage: layers_test.sh SOURCE_DIR   (prints every include that breaks a rule)
set -euo pipefail
src="$1/src"
status=0

# check FOLDER ALLOWED_REGEX: every project include under FOLDER must match.
# A folder that is missing or holds no include fails: a moved folder must
# not pass unchecked.
check() {
    local folder="$1" allowed="$2" includes line
    if ! includes=$(grep -rnE '^#include "' "$src/$folder"); then
        echo "no includes read from $src/$folder"
        status=1
        return
    fi
    while IFS= read -r line; do
        [ -n "$line" ] || continue
        echo "not allowed here: $line"
        status=1
    done <<<"$(grep -vE "#include \"($allowed)\"" <<<"$includes")"
}

check platform 'platform/[^"]+'
# The plain ICMP core and the helper programs take nothing of the window
# program's echo facility (icmp_api.h, linux_icmp, icmp_helper_client).
core='platform/(icmp|process)/[^"]+|platform/byte_order\.h'
check platform/icmp "$core"
check platform/process "$core"
check helpers "$core"
check net '(net|platform)/[^"]+'
check ui '(ui|net|platform)/[^"]+'
for tool in ping traceroute hosts; do
    check "tools/$tool" "(tools/$tool|ui|net|platform)/[^\"]+"
done
check shell '(shell|tools|ui|net|platform)/[^"]+'
check app '(shell|tools|ui|net|platform)/[^"]+'

if [ "$status" -eq 0 ]; then echo "every include stays within its layer"; fi
exit "$status"
