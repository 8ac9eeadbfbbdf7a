#!/usr/bin/env bash
# Runs a command in this source tree inside a fresh Debian root of another
# release, as a new user of that release would (root, minbase install, the
# README's commands), without changing anything of this machine.
#
# Usage (root): scripts/in-debian-root.sh SUITE COMMAND [ARG...]
#   e.g. scripts/in-debian-root.sh trixie scripts/test.sh
#
# The root is made with mmdebstrap (minbase, like `debootstrap --variant=minbase`)
# from the Debian archive this machine's apt uses, in a temporary folder that
# is removed afterwards. TARSINO_DEBIAN_ROOT=DIR instead keeps the root in DIR
# (made there when absent) for repeated trials.
#
# A chroot is not enough for the labs: `ip netns` needs the root to be a mount
# point, and every `nsenter -m` resets the root to its mount namespace's own.
# So the command runs in private mount and PID namespaces whose root is the
# Debian root itself (pivot_root): its /proc, /sys, /dev and a /run of its own.
# Those namespaces end with the command, taking every mount and every process
# it left behind with them; the machine's own mounts and /run never change.
set -euo pipefail
cd "$(dirname "$0")/.."

[ $# -ge 2 ] || { echo "usage: $0 SUITE COMMAND [ARG...]" >&2; exit 2; }
suite=$1
shift
[[ $suite =~ ^[a-z]+$ ]] || { echo "SUITE is a Debian code name, such as trixie" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "$0 needs root (mmdebstrap, namespaces)" >&2; exit 1; }
# mmdebstrap is not on a new machine: install it from this machine's archive.
if ! command -v mmdebstrap >/dev/null; then
    apt-get install -y -qq -o DPkg::Lock::Timeout=600 mmdebstrap >/dev/null
fi
for tool in mmdebstrap unshare pivot_root git; do
    command -v "$tool" >/dev/null || { echo "$0 needs $tool" >&2; exit 1; }
done

# The archive this machine's apt reaches.
mirror=$(awk '$1 == "URIs:" && $2 ~ /\/debian$/ { print $2; exit }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
mirror=${mirror:-http://deb.debian.org/debian}

if [ -n "${TARSINO_DEBIAN_ROOT:-}" ]; then
    root=$TARSINO_DEBIAN_ROOT
    keep=1
else
    root=$(mktemp -d /var/tmp/tarsino-debian-root.XXXXXX)
    keep=0
fi
case "$root" in
    /|/usr*|/etc*|/bin*|/lib*|/sbin*|/proc*|/sys*|/dev*|/run*) echo "refusing root folder $root" >&2; exit 2 ;;
esac
cleanup() {
    # The mounts lived in the command's own mount namespace, gone by now; a
    # mount still seen here would mean otherwise, and then nothing is removed.
    if [ "$keep" = 0 ] && ! grep -qF " $root/" /proc/self/mounts; then
        rm -rf --one-file-system "$root"
    fi
}
runner=
trap cleanup EXIT
# A signal ends the command (and with it its namespaces) and then the script
# through its exit, so that the root is removed then too.
stop() {
    # unshare ignores SIGTERM while it waits; the command's first process is
    # its PID namespace's init, and ending it ends every process in there.
    if [ -n "$runner" ]; then
        local child
        for child in $(ps -o pid= --ppid "$runner"); do kill -KILL "$child" 2>/dev/null || true; done
        wait "$runner" 2>/dev/null || true
    fi
    exit "$1"
}
trap 'stop 129' HUP
trap 'stop 130' INT
trap 'stop 143' TERM

started=$(date +%s)
if [ ! -x "$root/usr/bin/apt-get" ]; then
    echo "in-debian-root: making a minbase $suite root from $mirror in $root"
    rmdir "$root" 2>/dev/null || true
    mmdebstrap --quiet --variant=minbase "$suite" "$root" "$mirror"
    echo "in-debian-root: root made in $(( $(date +%s) - started )) s"
fi
# An installer writes the host name into /etc/hosts; mmdebstrap does not, and
# looking up the local name would fail.
printf '127.0.0.1\tlocalhost\n127.0.1.1\t%s\n::1\tlocalhost ip6-localhost ip6-loopback\n' "$(hostname)" \
    > "$root/etc/hosts"
hostname > "$root/etc/hostname"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"

# The source tree as a clone would hold it (tracked and new files, not builds).
mkdir -p "$root/tarsino"
git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -xf - -C "$root/tarsino"

# The command, quoted for bash inside (printf %q may write $'...', which sh
# does not read: a script of several lines, as CI passes, comes out so).
command=$(printf '%q ' "$@")
unshare --mount --propagation private --pid --fork --kill-child -- sh -euc '
    root=$1 command=$2
    mount --bind "$root" "$root"
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs -o mode=755 tmpfs "$root/run"
    mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
    mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
    mkdir -p "$root/.old-root"
    cd "$root"
    pivot_root . .old-root
    umount -l /.old-root
    rmdir /.old-root
    cd /tarsino
    exec env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        LANG=C.UTF-8 TERM=dumb CI="${CI:-}" bash -c "$command" </dev/null
' in-debian-root "$root" "$command" &
runner=$!
wait "$runner"
