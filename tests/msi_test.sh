#!/usr/bin/env bash
# The Windows installer under Wine, in a prefix of its own: a silent install
# puts the program, its texts, its Start-menu shortcut and its entry in Apps &
# features in place; the installed program shows its window; a silent
# uninstall takes every one of them away again. Needs an X display.
# Given the program from the zip and the certificate of the authority that
# signed them, the installer, the program it installs and the program from
# the zip each carry a signature that osslsigncode verifies up to that
# authority, and one flipped byte in a signed file fails it.
# Arguments: the installer, the version it must register, wine64, wineserver,
# and the program and the authority's certificate.
set -uo pipefail
msi=$1 version=$2 wine=$3 wineserver=$4 exe=${5:-} authority=${6:-}
work=$(mktemp -d)
# Wine's menu builder would write the shortcut into the user's own desktop
# menus; HOME keeps whatever else it writes here.
export WINEPREFIX=$work/prefix WINEDEBUG=-all HOME=$work WINEDLLOVERRIDES=winemenubuilder.exe=d
trap '"$wineserver" -k 2>/dev/null; rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

program="$WINEPREFIX/drive_c/Program Files/Polysketch"
# Wine, unlike Windows, puts a per-machine shortcut in the installing user's
# Start menu; either is accepted.
shortcuts() { find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Polysketch.lnk'; }
# The installer's entries in Apps & features and its own key, from the
# registry as Wine keeps it on disk.
entries() {
    "$wineserver" -w
    awk '/^\[/ { key = $0 } /^"DisplayName"="Polysketch"$/ { print key } /^\[Software\\\\Polysketch\]/ { print }' \
        "$WINEPREFIX/system.reg"
}
# Whether the file's Authenticode signature holds, up to the authority.
signed() { osslsigncode verify -CAfile "$authority" -in "$1" >"$work/verify.log" 2>&1; }
# A copy of the file with the byte in its middle inverted.
flipped() {
    local at byte
    at=$(($(stat -c %s "$1") / 2))
    byte=$(od -An -tu1 -j "$at" -N 1 "$1")
    cp "$1" "$work/flipped"
    printf "\\$(printf %o $((byte ^ 255)))" | dd of="$work/flipped" bs=1 seek="$at" conv=notrunc status=none
    echo "$work/flipped"
}
value() { KEY=$1 NAME="\"$2\"" awk -F= '$0 == ENVIRON["KEY"] { on = 1; next } /^\[/ { on = 0 }
    on && $1 == ENVIRON["NAME"] { print $2 }' "$WINEPREFIX/system.reg"; }

if [ -n "$authority" ]; then
    for file in "$msi" "$exe"; do
        signed "$file" || fail "${file##*/} is not signed up to the authority: $(cat "$work/verify.log")"
        ! signed "$(flipped "$file")" || fail "${file##*/} with a flipped byte still verifies"
    done
fi
"$wine" wineboot --init >/dev/null 2>&1 || fail "wineboot failed"
"$wine" msiexec /i "$msi" /qn || fail "the silent install failed"
for file in polysketch.exe README.txt freeglut-COPYING.txt; do
    [ -f "$program/$file" ] || fail "no Program Files\\Polysketch\\$file"
done
[ -n "$(shortcuts)" ] || fail "no Start-menu shortcut"
[ -z "$authority" ] || signed "$program/polysketch.exe" ||
    fail "the installed polysketch.exe is not signed up to the authority: $(cat "$work/verify.log")"
uninstall=$(entries | grep -F 'CurrentVersion\\Uninstall\\')
[ "$(wc -l <<<"$uninstall")" -eq 1 ] && [ -n "$uninstall" ] || fail "Apps & features has not one entry: $uninstall"
[ "$(value "$uninstall" DisplayVersion)" = "\"$version\"" ] ||
    fail "the entry's version is $(value "$uninstall" DisplayVersion), not $version"
[ "$(value "$uninstall" Publisher)" = '"The polysketch authors"' ] || fail "the entry names no publisher"

"$wine" 'C:\Program Files\Polysketch\polysketch.exe' 2>/dev/null &
timeout 30 xdotool search --sync --onlyvisible --name 'Polysketch\\polysketch\.exe$' >/dev/null ||
    fail "the installed program shows no window"
"$wineserver" -k
wait

"$wine" msiexec /x "$msi" /qn || fail "the silent uninstall failed"
[ ! -e "$program" ] || fail "Program Files\\Polysketch is left: $(ls "$program")"
[ -z "$(shortcuts)" ] || fail "the shortcut is left: $(shortcuts)"
left=$(entries)
[ -z "$left" ] || fail "registry entries are left: $left"

[ "$failed" -eq 0 ] && echo "the installer installs, runs and uninstalls cleanly"
exit "$failed"
