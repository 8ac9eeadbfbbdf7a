#!/usr/bin/env bash
# Builds the Debian package, validates the desktop entry and AppStream data,
# installs the package on this machine (root), checks that the ICMP helper
# alone holds a capability, runs the installed program as an ordinary user
# with a Qt plugin of that user's own (which must find nothing to use, while
# the ping page still answers through the helper), and opens the installed
# program's window under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package

desktop-file-validate packaging/tarsino.desktop
appstreamcli validate --no-net packaging/io.github.tarsino.Tarsino.metainfo.xml

dir=build-package
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir" -j"$(nproc)" --target tarsino tarsino-netbios-browse tarsino-icmp capability_probe_plugin >/dev/null
(cd "$dir" && rm -f tarsino_*.deb && cpack -G DEB >/dev/null)
package=$(ls "$dir"/tarsino_*.deb)
echo "package: $package"
dpkg-deb -f "$package" Depends

apt-get install -y -qq --reinstall "./$package" >/dev/null
helper=/usr/libexec/tarsino/tarsino-icmp
[ -z "$(getcap /usr/bin/tarsino)" ] || { echo "/usr/bin/tarsino holds a capability" >&2; exit 1; }
getcap "$helper" | grep -q 'cap_net_raw=ep' || { echo "cap_net_raw not granted to $helper" >&2; exit 1; }
echo "installed: $(getcap "$helper"); /usr/bin/tarsino: none"

# An ordinary user's own Qt plugin, loaded into the installed program: it may
# open no raw socket and holds no capability, and the ping page answers
# loopback all the same, through the helper. In a namespace of its own, where
# ping_group_range is Debian's "1 0": no one may open a datagram socket.
probe=$(mktemp -d)
namespace=tzpkg$$
trap 'ip netns del "$namespace" 2>/dev/null || true; rm -rf "$probe"' EXIT
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
