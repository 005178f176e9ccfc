#!/usr/bin/env bash
# Builds a release of the work tree into build/release, whose path it prints
# last: the Debian package, the Windows zip and installer, the site as a zip,
# and their SHA256SUMS. Its time stamps are SOURCE_DATE_EPOCH's, so that
# anyone who builds the same commit on the same Debian release gets the same
# bytes.
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
# In the same order whatever the caller's locale.
(cd "$release" && export LC_ALL=C && sha256sum -- * >SHA256SUMS)
echo "$release"
