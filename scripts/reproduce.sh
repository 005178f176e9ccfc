#!/usr/bin/env bash
# Proves that a release can be rebuilt bit for bit: builds the release of the
# commit at HEAD twice, from clones at two different paths, the second with
# the clock 400 days and 23 hours ahead and another time zone, locale and
# umask, and compares every file. On a difference it names the files that
# differ, with diffoscope's report where diffoscope is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages git faketime locales
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# French numbers and dates, from a locale made here rather than installed.
localedef -i fr_FR -f UTF-8 "$work/fr_FR.UTF-8"

# Each build's output is shown only if it fails: under the moved clock, make
# warns of files from the future.
build() {
    local dir=$1
    shift
    (umask "$1" && shift && git clone -q . "$dir" && cd "$dir" && env "$@" scripts/release.sh) >"$dir.log" 2>&1 ||
        { cat "$dir.log" >&2; exit 1; }
}
build "$work/first" 022 TZ=UTC LC_ALL=C.UTF-8
mkdir "$work/second"
build "$work/second/elsewhere" 077 TZ=XYZ-14 LOCPATH="$work" LC_ALL=fr_FR.UTF-8 \
    FAKETIME_DONT_FAKE_MONOTONIC=1 faketime -f +9623h

first=$work/first/build/release second=$work/second/elsewhere/build/release
# The sums that a user checks a download with hold for what was built.
(cd "$first" && sha256sum --check --quiet SHA256SUMS)
if differ=$(diff -rq "$first" "$second"); then
    echo "the release is reproducible:"
    cat "$first/SHA256SUMS"
    exit 0
fi
echo "two builds of $(git rev-parse --short HEAD) differ:" >&2
echo "$differ" >&2
if command -v diffoscope >/dev/null; then
    for file in "$first"/*; do
        cmp -s "$file" "$second/${file##*/}" || diffoscope --text - "$file" "$second/${file##*/}" >&2 || true
    done
fi
exit 1
