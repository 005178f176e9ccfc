#!/usr/bin/env bash
# Builds a release of the work tree into build/release, whose path it prints
# last: the Debian package, the Windows zip and installer, the site as a zip,
# the bill of materials, the apt repository of this Debian release's suite,
# and their SHA256SUMS. Its time stamps are SOURCE_DATE_EPOCH's, so that
# anyone who builds the same commit on the same Debian release gets the same
# bytes.
# It signs with the owner's keys where it is given them: SHA256SUMS and the
# repository with the OpenPGP key that POLYSKETCH_SIGNING_KEY names in the
# keyring at GNUPGHOME, the Windows files with the certificate chain and key
# in POLYSKETCH_AUTHENTICODE_CERT and POLYSKETCH_AUTHENTICODE_KEY (see
# windows.sh). Without them the release is the same but unsigned, and its
# last lines before the path say so.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

reproducible
deb=$(scripts/package.sh | tail -n 1)
zip=$(scripts/windows.sh | tail -n 1)
scripts/web.sh >/dev/null
release=$PWD/build/release
rm -rf "$release"
mkdir -p "$release"
cp "$deb" "$zip" "${zip%.zip}.msi" build/web/build/polysketch-*-web.zip "$release/"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package/CMakeCache.txt)
node scripts/bom.mjs "$release/polysketch-$version.cdx.json" "$version" "$TOOLKIT_VERSION" "$TOOLKIT_SHA256" \
    "$release/${deb##*/}" "$release/${zip##*/}" "$release/$(basename "${zip%.zip}.msi")" \
    "$release/polysketch-$version-web.zip"
scripts/apt-repository.sh make "$release/apt" "$release/${deb##*/}" >/dev/null
# The files a user downloads, in the same order whatever the caller's locale.
sums=$(cd "$release" && export LC_ALL=C && for file in *; do
    [ ! -f "$file" ] || sha256sum -- "$file"
done)
echo "$sums" >"$release/SHA256SUMS"

unsigned=()
if [ -n "${POLYSKETCH_SIGNING_KEY:-}" ]; then
    openpgp_sign --armor --detach-sign --output "$release/SHA256SUMS.asc" "$release/SHA256SUMS"
else
    unsigned+=("SHA256SUMS and the apt repository are unsigned: POLYSKETCH_SIGNING_KEY names no OpenPGP key")
fi
[ -n "${POLYSKETCH_AUTHENTICODE_CERT:-}${POLYSKETCH_AUTHENTICODE_SIGNATURES:-}" ] ||
    unsigned+=("the Windows files are unsigned: POLYSKETCH_AUTHENTICODE_CERT and POLYSKETCH_AUTHENTICODE_KEY name no certificate")
if [ ${#unsigned[@]} -gt 0 ]; then
    echo "this release is not signed whole:"
    printf '  %s\n' "${unsigned[@]}"
fi
echo "$release"
