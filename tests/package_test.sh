#!/usr/bin/env bash
# The Debian package: it holds every file that the install must put in place,
# lintian finds no error or warning in it, and the menu entry, the metadata
# and the icon pass the freedesktop validators and render.
set -uo pipefail
deb=$1
id=org.polysketch.Polysketch
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

dpkg-deb -x "$deb" "$root"
for file in usr/bin/polysketch usr/share/man/man1/polysketch.1.gz \
    usr/share/applications/$id.desktop usr/share/icons/hicolor/scalable/apps/$id.svg \
    usr/share/metainfo/$id.metainfo.xml usr/share/doc/polysketch/copyright \
    usr/share/doc/polysketch/changelog.gz; do
    [ -f "$root/$file" ] || fail "the package has no $file"
done

report=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges')
grep -qE '^[EW]:' <<<"$report" && fail "lintian: $report"
report=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1)
[ -z "$report" ] || fail "desktop-file-validate: $report"
report=$(appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" 2>&1) &&
    ! grep -qE '^[EW]:' <<<"$report" || fail "appstreamcli: $report"
rsvg-convert -w 48 -h 48 -o "$root/icon.png" "$root/usr/share/icons/hicolor/scalable/apps/$id.svg" ||
    fail "the icon does not render"

[ "$failed" -eq 0 ] && echo "the package and its desktop files pass"
exit "$failed"
