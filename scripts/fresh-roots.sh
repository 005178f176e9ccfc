#!/usr/bin/env bash
# Runs the README's two commands as a new user would, the run command (which
# with no display records its demo) and then the test command: in a fresh
# minimal Debian root of each release named (default: bookworm and trixie,
# Debian 12 and 13), with a clone of the commit at HEAD, as root with no
# display.
# ARCH=arm64 makes the roots for 64-bit Arm, run under qemu-user.
#
# Each root lives on a tmpfs in a mount and PID namespace of its own, so that
# its files, its mounts and its processes all end with the run, however it
# ends. Only the downloaded packages are kept, in $CACHE, to save time.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

ARCH=${ARCH:-$(dpkg --print-architecture)}
CACHE=${CACHE:-/var/cache/polysketch-roots}

# The one place inside the namespace where the root is mounted: hiding the
# machine's own /mnt there affects nothing outside it.
ROOT=/mnt

# Builds the root on a tmpfs, clones the project into it and runs the test
# command there. Runs as the first process of the new namespaces.
inside() {
    local release=$1 uri=$2 repo=$3
    local cache=$CACHE/$release-$ARCH
    mkdir -p "$cache/debootstrap" "$cache/apt/partial"
    mount -t tmpfs -o size=20g,mode=0755 polysketch-root "$ROOT"
    if [ "$ARCH" = "$(dpkg --print-architecture)" ]; then
        debootstrap --variant=minbase --cache-dir="$cache/debootstrap" "$release" "$ROOT" "$uri" >/dev/null
    else
        # A foreign root is unpacked here and set up from inside, under
        # qemu-user through binfmt_misc.
        debootstrap --variant=minbase --arch="$ARCH" --foreign --cache-dir="$cache/debootstrap" \
            "$release" "$ROOT" "$uri" >/dev/null
        chroot "$ROOT" /debootstrap/debootstrap --second-stage >/dev/null
    fi
    # The root reaches the network as the machine does: through its resolver,
    # trusting the certificate authorities that it adds to Debian's.
    cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
    [ ! -d /usr/local/share/ca-certificates ] ||
        cp -r /usr/local/share/ca-certificates/. "$ROOT/usr/local/share/ca-certificates/"
    mount --bind "$cache/apt" "$ROOT/var/cache/apt/archives"
    mount -t proc proc "$ROOT/proc"
    mount -t sysfs -o ro sysfs "$ROOT/sys"
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$ROOT/dev/pts"
    mount -t tmpfs -o mode=1777 shm "$ROOT/dev/shm"
    git clone --quiet "$repo" "$ROOT/root/polysketch"
    chroot "$ROOT" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        CI="${CI:-}" /bin/bash -c 'cd /root/polysketch && ./scripts/run.sh && ./scripts/test.sh'
}

if [ "${1:-}" = --inside ]; then
    shift
    inside "$@"
    exit
fi

need_packages debootstrap git
if [ "$ARCH" != "$(dpkg --print-architecture)" ]; then
    need_packages qemu-user-static binfmt-support
    # Its programs run under qemu-user through binfmt_misc, which a container
    # may have left unmounted.
    grep -qsx enabled /proc/sys/fs/binfmt_misc/status ||
        { echo "binfmt_misc is not mounted and enabled; the README says how" >&2; exit 1; }
fi
[ $# -gt 0 ] || set -- bookworm trixie
uri=$(debian_archive)
repo=$(git rev-parse --show-toplevel)
for release in "$@"; do
    echo "== $release ($ARCH): the quick start's two commands in a fresh minimal root, at $(git rev-parse --short HEAD)"
    start=$SECONDS
    unshare --mount --propagation private --pid --kill-child -- "$0" --inside "$release" "$uri" "$repo" &
    namespace=$!
    # The namespace ignores the signals that end this script, and its first
    # process ignores them as every PID namespace's does; killing unshare
    # kills that process, and with it every other one in the namespace.
    trap 'kill -KILL "$namespace" 2>/dev/null; exit 130' INT TERM HUP
    if ! wait "$namespace"; then
        echo "== $release ($ARCH): FAILED after $((SECONDS - start)) s"
        exit 1
    fi
    trap - INT TERM HUP
    echo "== $release ($ARCH): passed in $((SECONDS - start)) s"
done
echo "== every release passed, in $SECONDS s"
