#!/usr/bin/env bash
# Runs the README's "Install from the package" commands exactly as written
# there (a fresh configure, every target in Release, cpack, apt-get install;
# root), then checks what they made: no compiler warning, lintian without
# error or warning, the desktop entry and AppStream data, the installed files
# in their places, the ICMP capability, a ping to loopback by an ordinary
# user through it, and the installed program's window under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package

desktop-file-validate packaging/tarsino.desktop
appstreamcli validate --no-net packaging/io.github.tarsino.Tarsino.metainfo.xml

# The README's commands: the indented block of its install section.
commands=$(awk '/^## / { inside = ($0 == "## Install from the package") }
                inside && /^    / { print substr($0, 5); found = 1; next }
                found { exit }' README.md)
for step in "cmake -S . -B build-package" "cmake --build build-package" "cpack -G DEB" "apt-get install"; do
    grep -qF -- "$step" <<<"$commands" || { echo "README's install section lacks: $step" >&2; exit 1; }
done

# As from a fresh clone; and without an installed tarsino, so that apt-get
# installs this build even when its version is the installed one.
dir=build-package
rm -rf "$dir"
if dpkg-query -W -f='${Status}' tarsino 2>/dev/null | grep -q 'install ok installed'; then
    apt-get remove -y -qq -o DPkg::Lock::Timeout=600 tarsino >/dev/null
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "README's install commands:"
sed 's/^/    /' <<<"$commands"
# No terminal: a question from apt-get (e.g. about extra packages) fails the
# check instead of waiting.
if ! bash -euo pipefail -c "$commands" </dev/null >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "the README's install commands failed" >&2
    exit 1
fi
# -Werror is for the project's own builds; here a warning fails the check.
if grep -E '(^|: )warning:' "$log" >&2; then
    echo "the package build warns" >&2
    exit 1
fi

package=$(ls "$dir"/tarsino_*.deb)
echo "package: $package"
dpkg-deb -f "$package" Depends
# Exit status 2 on any error or warning, and no E: or W: line either way.
if ! lintian --fail-on error,warning "$package" 2>&1 | tee "$log" || grep -q '^[EW]: ' "$log"; then
    echo "lintian reports errors or warnings" >&2
    exit 1
fi
echo "lintian: no error, no warning"

[ "$(dpkg-query -W -f='${Version}' tarsino)" = "$(dpkg-deb -f "$package" Version)" ] ||
    { echo "the package's version is not the installed one" >&2; exit 1; }
for file in /usr/bin/tarsino /usr/libexec/tarsino/tarsino-netbios-browse; do
    [ -x "$file" ] || { echo "missing: $file" >&2; exit 1; }
done
for file in /usr/share/man/man1/tarsino.1.gz /usr/share/doc/tarsino/copyright /usr/share/doc/tarsino/changelog.gz; do
    [ -f "$file" ] || { echo "missing: $file" >&2; exit 1; }
done
[ ! -e /usr/bin/tarsino-netbios-browse ] || { echo "a helper program is on PATH" >&2; exit 1; }
getcap /usr/bin/tarsino | grep -q 'cap_net_raw=ep' || { echo "cap_net_raw not granted" >&2; exit 1; }
echo "installed: $(getcap /usr/bin/tarsino)"

# An ordinary user pings loopback through a binary holding the capability.
probe=$(mktemp -d)/ping_page_loopback_test
cp "$dir"/tests/tools/ping/ping_page_loopback_test "$probe"
setcap cap_net_raw+ep "$probe"
chmod -R a+rx "$(dirname "$probe")"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$(dirname "$probe") \
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$probe" -silent
rm -rf "$(dirname "$probe")"

TARSINO_BINARY=/usr/bin/tarsino scripts/screenshot.sh "$dir/screenshots" >/dev/null
echo "the installed program's window opened"
