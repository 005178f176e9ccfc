#!/usr/bin/env bash
# A signed release as users check it: SHA256SUMS holds for every file,
# SHA256SUMS.asc verifies with gpgv and with sqv against the release's
# keyring, which holds the key that POLYSKETCH_SIGNING_KEY names, and one
# flipped byte fails both; the bill of materials is valid CycloneDX 1.5 by the
# published schema and gives each file the hash that SHA256SUMS gives it.
set -uo pipefail
release=$1
modules=$(dirname "$0")/node_modules
keyring=$release/apt/polysketch-archive-keyring.pgp
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Whether SHA256SUMS file $1 verifies with gpgv, naming the owner's key, and
# then with sqv.
gpgv_verifies() {
    LC_ALL=C gpgv --status-fd 1 --keyring "$keyring" "$release/SHA256SUMS.asc" "$1" 2>&1 |
        grep -q "^\[GNUPG:\] VALIDSIG .* $POLYSKETCH_SIGNING_KEY\$"
}
sqv_verifies() { LC_ALL=C sqv --keyring "$keyring" "$release/SHA256SUMS.asc" "$1" >/dev/null 2>&1; }

(cd "$release" && LC_ALL=C sha256sum --check --quiet SHA256SUMS) || fail "SHA256SUMS does not hold"
gpgv_verifies "$release/SHA256SUMS" || fail "gpgv finds no good signature by $POLYSKETCH_SIGNING_KEY"
sqv_verifies "$release/SHA256SUMS" || fail "sqv finds no good signature"
cp "$release/SHA256SUMS" "$work/flipped"
printf '\001' | dd of="$work/flipped" bs=1 seek=0 conv=notrunc status=none
! gpgv_verifies "$work/flipped" || fail "gpgv takes SHA256SUMS with a flipped byte"
! sqv_verifies "$work/flipped" || fail "sqv takes SHA256SUMS with a flipped byte"

# The files that the bill of materials lists, as sha256sum lists them.
bom=$(ls "$release"/*.cdx.json)
listed=$(NODE_PATH=$modules node -e '
const { Validation } = require("@cyclonedx/cyclonedx-library");
const text = require("fs").readFileSync(process.argv[1], "utf8");
new Validation.JsonValidator("1.5").validate(text).then(errors => {
  if (errors) {
    console.error(JSON.stringify(errors, null, 1));
    process.exit(1);
  }
  for (const component of JSON.parse(text).components.filter(component => component.type === "file"))
    console.log(`${component.hashes.find(hash => hash.alg === "SHA-256").content}  ${component.name}`);
});' "$bom" 2>&1)
if [ $? -ne 0 ]; then
    fail "the bill of materials is not valid CycloneDX 1.5: $listed"
elif [ "$(LC_ALL=C sort -k 2 <<<"$listed")" != "$(grep -v " ${bom##*/}\$" "$release/SHA256SUMS")" ]; then
    fail "the bill of materials lists $listed where SHA256SUMS has $(cat "$release/SHA256SUMS")"
fi

[ "$failed" -eq 0 ] && echo "the release's signature and bill of materials pass"
exit "$failed"
