#!/usr/bin/env bash
# Runs the README's "Install from the package" commands exactly as written
# there (a fresh configure, every target in Release, cpack, apt-get install;
# root), then checks what they made: no compiler warning, lintian without
# error or warning, the desktop entry and AppStream data, the installed files
# in their places, that the ICMP helper alone holds a capability, the
# installed program run as an ordinary user with a Qt plugin of that user's
# own (which must find nothing to use, while the ping page still answers
# through the helper), and the installed program's window under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package

desktop-file-validate packaging/tarsino.desktop
# The menu reads Italian, as the window does.
for key in 'Name[it]' 'GenericName[it]' 'Comment[it]'; do
    awk -F= -v key="$key" '$1 == key { found = 1 } END { exit !found }' packaging/tarsino.desktop ||
        { echo "the desktop entry lacks $key" >&2; exit 1; }
done
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
helper=/usr/libexec/tarsino/tarsino-icmp
for file in /usr/bin/tarsino /usr/libexec/tarsino/tarsino-netbios-browse "$helper"; do
    [ -x "$file" ] || { echo "missing: $file" >&2; exit 1; }
done
for file in /usr/libexec/tarsino/tarsino-discovery.so /usr/share/man/man1/tarsino.1.gz \
    /usr/share/doc/tarsino/copyright /usr/share/doc/tarsino/changelog.gz; do
    [ -f "$file" ] || { echo "missing: $file" >&2; exit 1; }
done
for file in /usr/bin/tarsino-netbios-browse /usr/bin/tarsino-icmp; do
    [ ! -e "$file" ] || { echo "a helper program is on PATH: $file" >&2; exit 1; }
done
# The discovery libraries come with the module, on the first search, and the
# module finds every one of them.
! ldd /usr/bin/tarsino | grep -E 'libldap|libavahi|libkrb5|libQt6Network' ||
    { echo "/usr/bin/tarsino names a discovery library itself" >&2; exit 1; }
! ldd /usr/libexec/tarsino/tarsino-discovery.so | grep 'not found' ||
    { echo "the discovery module lacks a library" >&2; exit 1; }
[ -z "$(getcap /usr/bin/tarsino)" ] || { echo "/usr/bin/tarsino holds a capability" >&2; exit 1; }
getcap "$helper" | grep -q 'cap_net_raw=ep' || { echo "cap_net_raw not granted to $helper" >&2; exit 1; }
echo "installed: $(getcap "$helper"); /usr/bin/tarsino: none"

# An ordinary user's own Qt plugin, loaded into the installed program: it may
# open no raw socket and holds no capability, and the ping page answers
# loopback all the same, through the helper. In a namespace of its own, where
# ping_group_range is Debian's "1 0": no one may open a datagram socket.
probe=$(mktemp -d)
namespace=tzpkg$$
trap 'ip netns del "$namespace" 2>/dev/null || true; rm -rf "$probe" "$log"' EXIT
ip netns add "$namespace" && ip -n "$namespace" link set lo up
[ "$(ip netns exec "$namespace" sysctl -n net.ipv4.ping_group_range)" = "1	0" ] ||
    ip netns exec "$namespace" sysctl -qw net.ipv4.ping_group_range="1 0"
mkdir -p "$probe/generic"
cp "$dir"/tests/package/generic/libcapability_probe_plugin.so "$probe/generic/"
chmod -R a+rX "$probe"
said=$(cd / && QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$probe" QT_QPA_GENERIC_PLUGINS=tarsinoprobe \
       XDG_RUNTIME_DIR="$probe" timeout 60 \
       ip netns exec "$namespace" setpriv --reuid=nobody --regid=nogroup --clear-groups /usr/bin/tarsino \
       2>/dev/null) || true
ip netns del "$namespace"
echo "$said" | sed 's/^/plugin: /'
for expected in 'raw socket: refused: Operation not permitted' 'CapPrm: 0000000000000000' \
                'CapEff: 0000000000000000' 'CapAmb: 0000000000000000' 'ping: 0   [ ip success ]'; do
    grep -qxF "$expected" <<<"$said" || { echo "the plugin's report lacks: $expected" >&2; exit 1; }
done

TARSINO_BINARY=/usr/bin/tarsino scripts/screenshot.sh "$dir/screenshots" >/dev/null
echo "the installed program's window opened"
