#!/usr/bin/env bash
# Proves that a release can be rebuilt bit for bit, and that a signed one is
# that rebuild signed: given the folder of a signed release of the commit at
# HEAD, it rebuilds the release from a clone, attaches the published
# Authenticode signatures to the rebuilt Windows files, and then every file
# but the OpenPGP signatures and what they sign must be the same; and every
# signature must verify. The Windows files verify up to
# POLYSKETCH_TEST_AUTHORITY where set, else up to the machine's authorities.
#
# With no folder it makes its own: it builds the release twice, from clones at
# two different paths, the first signed with throwaway keys, the second
# unsigned with the clock 400 days and 23 hours ahead and another time zone,
# locale and umask; the unsigned one must say that it is, and the signed one
# must pass the check above against it. On a difference it names the files
# that differ, with diffoscope's report where diffoscope is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages git faketime locales gpgv sqv unzip openssl
need_osslsigncode
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# French numbers and dates, from a locale made here rather than installed.
localedef -i fr_FR -f UTF-8 "$work/fr_FR.UTF-8"

# Builds the release in the clone $1, made if missing, under the umask $2
# and the environment and command that follow. Its output is shown only if it
# fails: under the moved clock, make warns of files from the future.
build() {
    local dir=$1
    shift
    [ -d "$dir" ] || git clone -q . "$dir"
    (umask "$1" && shift && cd "$dir" && env "$@" scripts/release.sh) >"$dir.log" 2>&1 ||
        { cat "$dir.log" >&2; exit 1; }
}

# The fingerprint of the primary key that made the good signature $1 over
# $2 (none for a clearsigned $1), by the release's keyring $3.
signer() {
    LC_ALL=C gpgv --status-fd 1 --keyring "$3" "$1" ${2:+"$2"} 2>/dev/null |
        awk '$2 == "VALIDSIG" { print $NF }'
}

# Every OpenPGP signature of the release $1 verifies, by the key that
# POLYSKETCH_SIGNING_KEY names where set: SHA256SUMS.asc with gpgv and sqv,
# and each suite's InRelease and Release.gpg, whose Release is the one that
# InRelease signs.
check_openpgp() {
    local release=$1 keyring=$1/apt/polysketch-archive-keyring.pgp suite key
    key=$(signer "$release/SHA256SUMS.asc" "$release/SHA256SUMS" "$keyring")
    [ -n "$key" ] && [ "$key" = "${POLYSKETCH_SIGNING_KEY:-$key}" ] &&
        LC_ALL=C sqv --keyring "$keyring" "$release/SHA256SUMS.asc" "$release/SHA256SUMS" >/dev/null ||
        { echo "SHA256SUMS.asc is no good signature${POLYSKETCH_SIGNING_KEY:+ by $POLYSKETCH_SIGNING_KEY}" >&2; exit 1; }
    for suite in "$release"/apt/dists/*; do
        [ "$(signer "$suite/InRelease" "" "$keyring")" = "$key" ] &&
            [ "$(signer "$suite/Release.gpg" "$suite/Release" "$keyring")" = "$key" ] &&
            LC_ALL=C gpgv --quiet --keyring "$keyring" --output - "$suite/InRelease" 2>/dev/null | cmp -s - "$suite/Release" ||
            { echo "${suite##*/}'s InRelease and Release.gpg are no good signatures by $key" >&2; exit 1; }
    done
    echo "$key"
}

# The Windows files' signatures hold up to the authority, and are copied
# into the folder $2, as a rebuild attaches them.
check_authenticode() {
    local release=$1 signatures=$2 authority=${POLYSKETCH_TEST_AUTHORITY:-/etc/ssl/certs/ca-certificates.crt}
    local exe msi
    mkdir -p "$signatures" "$work/unpacked"
    unzip -q -o "$release"/polysketch-*-windows-x86_64.zip -d "$work/unpacked"
    exe=$(find "$work/unpacked" -name polysketch.exe) msi=$(ls "$release"/polysketch-*-windows-x86_64.msi)
    for file in "$exe" "$msi"; do
        osslsigncode verify -CAfile "$authority" -in "$file" >"$work/verify.log" 2>&1 ||
            { cat "$work/verify.log" >&2; echo "${file##*/} has no signature that holds up to $authority" >&2; exit 1; }
    done
    osslsigncode extract-signature -in "$exe" -out "$signatures/polysketch.exe.p7s" >/dev/null
    osslsigncode extract-signature -in "$msi" -out "$signatures/polysketch.msi.p7s" >/dev/null
}

# Names the files of $1 and $2 that differ, with diffoscope's report where
# it is installed, and fails.
differ() {
    local file
    echo "$3" >&2
    if command -v diffoscope >/dev/null; then
        (cd "$1" && find . -type f) | while read -r file; do
            [ ! -f "$2/$file" ] || cmp -s "$1/$file" "$2/$file" || diffoscope --text - "$1/$file" "$2/$file" >&2 || true
        done
    fi
    exit 1
}

# Checks the signed release $1 against the clone $2, rebuilt unsigned under
# the umask $3 and the environment that follows, with the release's own
# Authenticode signatures attached.
check_signed() {
    local release=$1 clone=$2 mask=$3 key differences
    shift 3
    key=$(check_openpgp "$release")
    check_authenticode "$release" "$work/signatures"
    build "$clone" "$mask" "${unsigned[@]}" POLYSKETCH_AUTHENTICODE_SIGNATURES="$work/signatures" "$@"
    # Only the OpenPGP signatures and the dated Release files that they sign
    # are the signed release's alone.
    differences=$(cd "$release" && diff -rq . "$clone/build/release" |
        grep -vE '^Only in \.(/apt(/dists/[^/:]+)?)?: (SHA256SUMS\.asc|Release|InRelease|Release\.gpg|polysketch-archive-keyring\.pgp)$' ||
        true)
    [ -z "$differences" ] ||
        differ "$release" "$clone/build/release" "the rebuild of $(git rev-parse --short HEAD) differs from the release:"$'\n'"$differences"
    echo "the release is its rebuild, signed by the OpenPGP key $key and with Windows signatures that hold:"
    cat "$release/SHA256SUMS"
}

# The environment of a build without keys, whatever the caller's.
unsigned=(-u POLYSKETCH_SIGNING_KEY -u POLYSKETCH_AUTHENTICODE_CERT -u POLYSKETCH_AUTHENTICODE_KEY)
if [ $# -eq 1 ]; then
    check_signed "$(realpath "$1")" "$work/rebuild" 022 TZ=UTC LC_ALL=C.UTF-8
    exit 0
fi
# A signed release is proven on every run, with keys that end with it.
throwaway_keys "$work/keys"
build "$work/first" 022 TZ=UTC LC_ALL=C.UTF-8
gpgconf --kill all
# The sums that a user checks a download with hold for what was built.
(cd "$work/first/build/release" && sha256sum --check --quiet SHA256SUMS)
odd=(TZ=XYZ-14 LOCPATH="$work" LC_ALL=fr_FR.UTF-8 FAKETIME_DONT_FAKE_MONOTONIC=1 faketime -f +9623h)
mkdir "$work/second"
build "$work/second/elsewhere" 077 "${unsigned[@]}" "${odd[@]}"
tail -n 4 "$work/second/elsewhere.log" | grep -q 'not signed whole' ||
    { cat "$work/second/elsewhere.log" >&2; echo "the release made without keys does not say that it is unsigned" >&2; exit 1; }
check_signed "$work/first/build/release" "$work/second/elsewhere" 077 "${odd[@]}"
