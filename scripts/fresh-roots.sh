#!/usr/bin/env bash
# Runs the README's two commands as a new user would, the run command (which
# with no display records its demo) and then the test command, and then, on
# the machine's own processor, proves that a release rebuilds bit for bit: in
# a fresh minimal Debian root of each release named (default: bookworm and
# trixie, Debian 12 and 13), with a clone of the commit at HEAD, as root with
# no display.
# ARCH=arm64 makes the roots for 64-bit Arm, run under qemu-user 10 or newer.
# A release that this machine's debootstrap does not know yet, such as
# testing's, is made with its script for sid.
#
# Each root lives on a tmpfs in a mount and PID namespace of its own, so that
# its files, its mounts and its processes all end with the run, however it
# ends. Only the downloaded packages are kept, in $CACHE, to save time.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

ARCH=${ARCH:-$(dpkg --print-architecture)}
CACHE=${CACHE:-/var/cache/polysketch-roots}
MEMORY=${MEMORY:-16G}

# The one place inside the namespace where the root is mounted: hiding the
# machine's own /mnt there affects nothing outside it.
ROOT=/mnt

# Builds the root on a tmpfs, clones the project into it and runs the
# commands there. Runs as the first process of the new namespaces.
inside() {
    local release=$1 uri=$2 repo=$3 suite=$4
    local cache=$CACHE/$release-$ARCH script=
    mkdir -p "$cache/debootstrap" "$cache/apt/partial"
    mount -t tmpfs -o size=20g,mode=0755 polysketch-root "$ROOT"
    [ -e "/usr/share/debootstrap/scripts/$release" ] || script=/usr/share/debootstrap/scripts/sid
    if [ "$ARCH" = "$(dpkg --print-architecture)" ]; then
        debootstrap --variant=minbase --cache-dir="$cache/debootstrap" "$release" "$ROOT" "$uri" $script >/dev/null
    else
        # A foreign root is unpacked here and set up from inside, under
        # qemu-user through binfmt_misc.
        debootstrap --variant=minbase --arch="$ARCH" --foreign --cache-dir="$cache/debootstrap" \
            "$release" "$ROOT" "$uri" $script >/dev/null
        chroot "$ROOT" /debootstrap/debootstrap --second-stage >/dev/null
    fi
    # A mirror may serve testing's or unstable's index for days after it was
    # meant to be renewed; apt refuses such an index unless told otherwise.
    # Stable releases keep that check.
    case $suite in testing | unstable)
        echo 'Acquire::Check-Valid-Until "false";' >"$ROOT/etc/apt/apt.conf.d/99polysketch-moving-release" ;;
    esac
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
    # Rebuilding the release twice under emulation would add hours to a run
    # of more than one; that it rebuilds bit for bit is proven natively.
    local reproduce=./scripts/reproduce.sh
    [ "$ARCH" = "$(dpkg --print-architecture)" ] ||
        reproduce="echo 'reproduce.sh left out: under emulation it would rebuild the release twice, for hours'"
    chroot "$ROOT" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        CI="${CI:-}" /bin/bash -c "cd /root/polysketch && ./scripts/run.sh && ./scripts/test.sh && $reproduce"
}

if [ "${1:-}" = --inside ]; then
    shift
    inside "$@"
    exit
fi

# qemu-user 10 or newer, from the machine's own archive: Debian 13 has it,
# Debian 12 has it in its backports. Older ones cannot run the test command:
# under 7.2 Chromium runs out of memory and AddressSanitizer's heap falls
# outside the memory layout it picks for the guest.
need_qemu() {
    local codename
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    installed() { dpkg-query -W -f='${Version}' qemu-user 2>/dev/null; }
    if ! dpkg --compare-versions "$(installed)" ge 1:10 && [ "$(id -u)" -eq 0 ]; then
        [ "$codename" != bookworm ] || use_backports
        DEBIAN_FRONTEND=noninteractive timeout 1800 apt-get install -y -qq --no-install-recommends \
            -t "$codename$([ "$codename" != bookworm ] || echo -backports)" qemu-user qemu-user-binfmt >/dev/null
    fi
    if ! dpkg --compare-versions "$(installed)" ge 1:10; then
        echo "qemu-user $(installed) is older than 10, which the test command needs under emulation;" \
            "on Debian 12 install it from bookworm-backports: apt-get install -t bookworm-backports qemu-user qemu-user-binfmt" >&2
        exit 1
    fi
    # Without systemd nothing registers it: registered here, as binfmt.d
    # gives it, unless something else already has.
    grep -qsx enabled /proc/sys/fs/binfmt_misc/status ||
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    [ -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ] ||
        grep -v '^#' /usr/lib/binfmt.d/qemu-aarch64.conf >/proc/sys/fs/binfmt_misc/register
}

# Emulated programs can take far more memory than native ones; every root
# runs under a limit that the machine can bear, where its cgroups allow one.
limit_memory() {
    local group=
    if grep -qsw memory /sys/fs/cgroup/cgroup.controllers; then
        group=/sys/fs/cgroup/polysketch-roots
        mkdir -p "$group" && echo "$MEMORY" >"$group/memory.max"
    elif [ -d /sys/fs/cgroup/memory ]; then
        group=/sys/fs/cgroup/memory/polysketch-roots
        mkdir -p "$group" && echo "$MEMORY" >"$group/memory.limit_in_bytes"
    fi
    [ -n "$group" ] && echo "$BASHPID" >"$group/cgroup.procs" ||
        echo "no memory cgroup here: the root runs without a memory limit" >&2
}

# Prints what the archive calls the release: stable, testing, unstable...
release_suite() {
    local file
    file=$(mktemp)
    timeout 60 /usr/lib/apt/apt-helper -qq -o APT::Sandbox::User=root download-file \
        "$uri/dists/$1/Release" "$file" >/dev/null 2>&1 || true
    awk '/^Suite:/ { print $2; exit }' "$file"
    rm -f "$file"
}

need_packages debootstrap git
uri=$(debian_archive)
[ "$ARCH" = "$(dpkg --print-architecture)" ] || need_qemu
[ $# -gt 0 ] || set -- bookworm trixie
repo=$(git rev-parse --show-toplevel)
for release in "$@"; do
    echo "== $release ($ARCH): the quick start's two commands and a rebuilt release in a fresh minimal root, at $(git rev-parse --short HEAD)"
    start=$SECONDS
    suite=$(release_suite "$release")
    (limit_memory && exec unshare --mount --propagation private --pid --kill-child -- \
        "$0" --inside "$release" "$uri" "$repo" "$suite") &
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
