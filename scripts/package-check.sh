#!/usr/bin/env bash
# Builds the Debian package, validates the desktop entry and AppStream data,
# installs the package on this machine (root), checks the ICMP capability,
# pings loopback as an ordinary user through it, and opens the installed
# program's window under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package

desktop-file-validate packaging/tarsino.desktop
appstreamcli validate --no-net packaging/io.github.tarsino.Tarsino.metainfo.xml

dir=build-package
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir" -j"$(nproc)" --target tarsino tarsino-netbios-browse ping_page_loopback_test >/dev/null
(cd "$dir" && rm -f tarsino_*.deb && cpack -G DEB >/dev/null)
package=$(ls "$dir"/tarsino_*.deb)
echo "package: $package"
dpkg-deb -f "$package" Depends

apt-get install -y -qq --reinstall "./$package" >/dev/null
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
