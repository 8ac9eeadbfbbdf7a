#!/usr/bin/env bash
# Installs the Debian packages Tarsino needs that are missing on this machine.
# Usage: scripts/install-deps.sh [build|run|test|screenshot|package]   (run as root; does nothing when all are there)
set -euo pipefail

build=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libxcb1-dev libavahi-client-dev libsmbclient-dev
       libldap-dev libsasl2-dev libkrb5-dev libfontconfig-dev libcap2-bin fonts-dejavu-core fonts-liberation2)
# Qt's own texts (Yes/No, context menus) in Italian.
run=(xvfb xauth qt6-translations-l10n)
screenshot=(xvfb x11-utils xdotool imagemagick)
# The package's recommendations are installed here, where their daemons cannot
# start, so that installing the package itself installs nothing else.
package=(dpkg-dev desktop-file-utils appstream libcap2-bin util-linux lintian avahi-daemon libnss-mdns
         libsasl2-modules-gssapi-mit)
# The test labs: network namespaces with routers, avahi/wsdd peers and Debian's
# own ping, traceroute and mtr to compare against, a Samba master browser; for
# the benchmarks, a link delay through a netfilter queue (iptables,
# libnetfilter-queue) and the window's start-up under Xvfb (xdotool);
# the window's title bar under a real window manager (openbox, xprop from
# x11-utils); Qt's Italian texts; for the fuzzers, clang with its libFuzzer
# and sanitizer run-times, which clang only recommends; for the domain lab, a
# Samba AD domain controller, Kerberos and LDAP clients (kinit, ldapsearch as
# the benchmark's peer), ldb tools and the GSSAPI mechanism of SASL; clang-format
# for the layout check.
# Two names differ between Debian releases and are resolved below from what
# this release offers: the WS-Discovery peer (wsdd on Debian 12, wsdd2 on 13)
# and the run-times of the installed clang's own version (libclang-rt-N-dev).
test=(iproute2 nftables iptables procps iputils-ping traceroute mtr-tiny avahi-daemon libnss-mdns dbus
      @wsd-peer samba util-linux xvfb xauth xdotool clang @clang-runtime libnetfilter-queue-dev openbox
      x11-utils qt6-translations-l10n samba-ad-dc samba-ad-provision krb5-user ldb-tools ldap-utils
      libsasl2-modules-gssapi-mit clang-format)

case "${1:-test}" in
    build) wanted=("${build[@]}") ;;
    run) wanted=("${build[@]}" "${run[@]}") ;;
    test) wanted=("${build[@]}" "${test[@]}") ;;
    screenshot) wanted=("${build[@]}" "${screenshot[@]}") ;;
    package) wanted=("${build[@]}" "${package[@]}" "${screenshot[@]}") ;;
    *) echo "usage: $0 [build|run|test|screenshot|package]" >&2; exit 2 ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
# The version apt would install, empty when this release has no such package.
candidate() {
    local version
    version=$(apt-cache policy "$1" 2>/dev/null | awk '$1 == "Candidate:" { print $2 }')
    [ "$version" = "(none)" ] || echo "$version"
}
# The real package behind a release-dependent name: what is installed, else
# what apt offers; empty when neither.
resolve() {
    case "$1" in
        @wsd-peer)
            local peer
            for peer in wsdd wsdd2; do installed "$peer" && { echo "$peer"; return; }; done
            for peer in wsdd wsdd2; do [ -n "$(candidate "$peer")" ] && { echo "$peer"; return; }; done ;;
        @clang-runtime)
            # clang's version is "1:19.0-63": its major number names the run-times.
            local version
            version=$(dpkg-query -W -f='${Version}' clang 2>/dev/null) || version=$(candidate clang)
            version=${version#*:}
            [[ ${version%%.*} =~ ^[0-9]+$ ]] && echo "libclang-rt-${version%%.*}-dev" ;;
        *) echo "$1" ;;
    esac
    # Nothing found is an empty answer, not a failure (callers run under set -e).
    return 0
}
describe() {
    case "$1" in
        @wsd-peer) echo "wsdd or wsdd2" ;;
        @clang-runtime) echo "libclang-rt-N-dev (N: clang's version)" ;;
        *) echo "$1" ;;
    esac
}

missing=()
for package in "${wanted[@]}"; do
    name=$(resolve "$package")
    [ -n "$name" ] && installed "$name" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    names=()
    for package in "${missing[@]}"; do names+=("$(resolve "$package")"); done
    echo "Missing packages: ${names[*]}. Run as root, or: sudo apt-get install ${names[*]}" >&2
    exit 1
fi
# Daemons from these packages (avahi, dbus) must not start on this machine's
# own network: the tests start their own inside namespaces.
policy=/usr/sbin/policy-rc.d
made_policy=0
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' > "$policy" && chmod 755 "$policy" && made_policy=1
fi
trap '[ "$made_policy" = 1 ] && rm -f "$policy"' EXIT
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# Every name must exist in this release before apt starts, so that a missing
# one is named here rather than failing apt halfway.
names=() absent=()
for package in "${missing[@]}"; do
    name=$(resolve "$package")
    if [ -n "$name" ] && [ -n "$(candidate "$name")" ]; then
        names+=("$name")
    else
        absent+=("$(describe "$package")")
    fi
done
if [ ${#absent[@]} -gt 0 ]; then
    . /etc/os-release 2>/dev/null || true
    printf 'This release (%s) has no package: %s\n' "${PRETTY_NAME:-unknown}" "${absent[@]}" >&2
    exit 1
fi
echo "Installing: ${names[*]}"
apt-get install -y -qq --no-install-recommends "${names[@]}"
