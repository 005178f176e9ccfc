#!/usr/bin/env bash
# The project's apt repository, from which Debian users install polysketch and
# take its updates with apt upgrade. Each Debian release is a suite named by
# its codename; a suite's InRelease and Release.gpg are signed with the
# owner's OpenPGP key and stop being valid after VALID_DAYS, so that a
# mirror cannot hold users on an old version unseen.
#
#   apt-repository.sh make APT DEB       a new repository in APT holding the
#                                        package in this machine's suite,
#                                        signed when POLYSKETCH_SIGNING_KEY
#                                        names a key in GNUPGHOME's keyring
#   apt-repository.sh sign APT           signs every suite of APT anew, for
#                                        another VALID_DAYS
#   apt-repository.sh merge APT FROM...  one repository of the repositories
#                                        of releases made on several Debian
#                                        releases, the newest last
#
# POLYSKETCH_APT_URI is where the owner serves the repository, for the file
# that users add to apt's sources.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

VALID_DAYS=30
COMPONENT=main
POOL=pool/$COMPONENT/p/polysketch
KEYRING=polysketch-archive-keyring.pgp
SOURCES=polysketch.sources
# Where users put the keyring: apt's place for keys that an administrator adds.
KEYRING_PATH=/etc/apt/keyrings/$KEYRING
URI=${POLYSKETCH_APT_URI:-https://polysketch.invalid/apt}
# Files are named by SHA-256 and SHA-512 alone: apt trusts nothing weaker.
WEAK_HASHES=(-oAPT::FTPArchive::MD5=false -oAPT::FTPArchive::SHA1=false)

# An index file and its copy under by-hash, where apt fetches it from, so
# that an update made while the repository is being replaced never pairs a
# new Release with an old index.
index_file() {
    local file=$1 dir=${1%/*}
    mkdir -p "$dir/by-hash/SHA256"
    cp "$file" "$dir/by-hash/SHA256/$(sha256sum "$file" | cut -d ' ' -f 1)"
}

# The file that users put under /etc/apt/sources.list.d, naming the suite
# $2 and the keyring that signs it.
write_sources() {
    local apt=$1 suite=$2
    cat >"$apt/$SOURCES" <<EOF
Types: deb
URIs: $URI
Suites: $suite
Components: $COMPONENT
Signed-By: $KEYRING_PATH
EOF
}

make_repository() {
    local apt=$1 deb=$2 suite arch dir
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    arch=$(dpkg-deb -f "$deb" Architecture)
    dir=dists/$suite/$COMPONENT/binary-$arch
    rm -rf "$apt"
    mkdir -p "$apt/$POOL" "$apt/$dir"
    cp "$deb" "$apt/$POOL/"
    (cd "$apt" && LC_ALL=C apt-ftparchive "${WEAK_HASHES[@]}" packages "$POOL" >"$dir/Packages" &&
        gzip -9n <"$dir/Packages" >"$dir/Packages.gz")
    index_file "$apt/$dir/Packages"
    index_file "$apt/$dir/Packages.gz"
    write_sources "$apt" "$suite"
    [ -z "${POLYSKETCH_SIGNING_KEY:-}" ] || sign_repository "$apt"
}

# Release lists the suite's index files with their hashes, dated now and
# valid for VALID_DAYS; InRelease is it signed in place, Release.gpg its
# detached signature for older clients.
sign_suite() {
    local dir=$1 suite=${1##*/} archs option
    archs=$(cd "$dir/$COMPONENT" && ls -d binary-* | sed 's/^binary-//' | tr '\n' ' ')
    rm -f "$dir/Release" "$dir/InRelease" "$dir/Release.gpg"
    option() { echo "-oAPT::FTPArchive::Release::$1=$2"; }
    LC_ALL=C apt-ftparchive release \
        "$(option Origin polysketch)" "$(option Label polysketch)" \
        "$(option Suite "$suite")" "$(option Codename "$suite")" \
        "$(option Architectures "${archs% }")" "$(option Components "$COMPONENT")" \
        "$(option Acquire-By-Hash yes)" "$(option ValidTime $((VALID_DAYS * 86400)))" \
        "${WEAK_HASHES[@]}" "$dir" >"$dir/Release.new"
    mv "$dir/Release.new" "$dir/Release"
    openpgp_sign --clearsign --output "$dir/InRelease" "$dir/Release"
    openpgp_sign --armor --detach-sign --output "$dir/Release.gpg" "$dir/Release"
}

# Signs every suite anew, and puts the public key beside them as the binary
# keyring that apt reads.
sign_repository() {
    local apt=$1 dir
    : "${POLYSKETCH_SIGNING_KEY:?names no OpenPGP key to sign the repository with}"
    for dir in "$apt"/dists/*; do
        sign_suite "$dir"
    done
    LC_ALL=C gpg --batch --export --export-options export-minimal "$POLYSKETCH_SIGNING_KEY" >"$apt/$KEYRING"
}

# Suites and packages are each a release's own, and a suite's signature
# covers that suite alone, so the repositories are joined as they are; they
# must share their key. The users' file names the newest suite, the last.
merge_repositories() {
    local apt=$1 from suite
    shift
    [ ! -e "$apt" ] || { echo "$apt exists: merge into a new folder" >&2; exit 1; }
    mkdir -p "$apt/dists" "$apt/$POOL"
    for from in "$@"; do
        # A release's folder, or its repository.
        if [ -d "$from/apt" ]; then from=$from/apt; fi
        [ -f "$from/$KEYRING" ] || { echo "$from holds no signed repository" >&2; exit 1; }
        [ ! -f "$apt/$KEYRING" ] || cmp -s "$from/$KEYRING" "$apt/$KEYRING" ||
            { echo "$from is signed with another key than the repositories before it" >&2; exit 1; }
        for suite in "$from"/dists/*; do
            [ ! -e "$apt/dists/${suite##*/}" ] || { echo "two repositories hold ${suite##*/}" >&2; exit 1; }
            cp -R "$suite" "$apt/dists/"
        done
        cp "$from/$POOL"/* "$apt/$POOL/"
        cp "$from/$KEYRING" "$from/$SOURCES" "$apt/"
    done
}

usage() { sed -n 's/^#   //p' "$0" >&2; exit 2; }

need_packages apt-utils gpg
case ${1:-} in
make) [ $# -eq 3 ] || usage; make_repository "$2" "$3" ;;
sign) [ $# -eq 2 ] || usage; sign_repository "$2" ;;
merge) [ $# -ge 3 ] || usage; merge_repositories "${@:2}" ;;
*) usage ;;
esac
