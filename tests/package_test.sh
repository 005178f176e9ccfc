#!/usr/bin/env bash
# The Debian package: it holds every file that the install must put in place,
# the menu entry, the metadata and the manual in every language of po/,
# lintian finds no error or warning in it, the menu entry, the metadata and
# the icon pass the freedesktop validators and render, and man in a German
# session shows the German manual.
# Given a signed release and a package of a newer version, it also serves
# the release's apt repository on 127.0.0.1 to an apt and a dpkg of their
# own: polysketch installs from it, apt upgrade takes the newer version once
# it is published, and every fault in a repository is refused with the
# installed version kept. The newer version is signed as the release was, with
# POLYSKETCH_SIGNING_KEY in the keyring at GNUPGHOME.
set -uo pipefail
deb=$1 release=${2:-} newer=${3:-}
id=org.polysketch.Polysketch
scripts=$(dirname "$0")/../scripts
root=$(mktemp -d) locales=$(mktemp -d) work=$(mktemp -d)
server=
# gpg's agents, which signing starts, end with the test.
trap 'kill $server 2>/dev/null; gpgconf --kill all; GNUPGHOME=$work/other gpgconf --kill all
    rm -rf "$root" "$locales" "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

dpkg-deb -x "$deb" "$root"
for file in usr/bin/polysketch usr/share/man/man1/polysketch.1.gz \
    usr/share/applications/$id.desktop usr/share/icons/hicolor/scalable/apps/$id.svg \
    usr/share/metainfo/$id.metainfo.xml usr/share/doc/polysketch/copyright \
    usr/share/doc/polysketch/changelog.gz; do
    [ -f "$root/$file" ] || fail "the package has no $file"
done

# The languages of po/LINGUAS, read as gettext reads it: a '#' starts a
# comment that runs to the line's end, and the names are separated by
# spaces, tabs and line ends, several to a line or none.
mapfile -t linguas < <(sed 's/#.*//' "$(dirname "$0")/../po/LINGUAS" | tr ' \t\r' '\n\n\n' | grep .)

# Each language's generic name, comment and keywords, and its manual.
for lang in "${linguas[@]}"; do
    for key in GenericName Comment Keywords; do
        grep -q "^$key\[$lang\]=." "$root/usr/share/applications/$id.desktop" ||
            fail "the menu entry has no $key in $lang"
    done
    [ -f "$root/usr/share/man/$lang/man1/polysketch.1.gz" ] || fail "the package has no manual in $lang"
done
# The metadata's tags are gettext's on Debian 12 (pt_BR) and the web's on
# Debian 13, so they are counted rather than named: eight texts in each
# language and in no other.
languages=${#linguas[@]}
tags=$(grep -o 'xml:lang="[^"]*"' "$root/usr/share/metainfo/$id.metainfo.xml" | sort | uniq -c)
[ "$(awk '$1 == 8' <<<"$tags" | wc -l)" -eq "$languages" ] && [ "$(wc -l <<<"$tags")" -eq "$languages" ] ||
    fail "the metadata's texts by language, where each of $languages languages needs 8: $tags"
localedef -i de_DE -f UTF-8 "$locales/de_DE.UTF-8" || fail "no German locale to read the manual in"
page=$(MANPATH="$root/usr/share/man" LOCPATH="$locales" LC_ALL=de_DE.UTF-8 MANWIDTH=80 man polysketch 2>&1)
grep -q '^BESCHREIBUNG' <<<"$page" && grep -q 'Linke Maustaste drücken' <<<"$page" ||
    fail "man polysketch in a German session: $page"

report=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges')
grep -qE '^[EW]:' <<<"$report" && fail "lintian: $report"
report=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1)
[ -z "$report" ] || fail "desktop-file-validate: $report"
# The project has no web home yet: AppStream 1.0 warns that the metadata
# names none, and that warning is the one accepted. It fails the validation
# all the same, so the exit status only counts when nothing else is wrong.
report=$(appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" 2>&1)
status=$?
problems=$(grep -E '^[EW]:' <<<"$report" | grep -vxE 'W: [^ ]+: url-homepage-missing')
[ -z "$problems" ] && { [ "$status" -eq 0 ] || grep -q url-homepage-missing <<<"$report"; } ||
    fail "appstreamcli: $report"
rsvg-convert -w 48 -h 48 -o "$root/icon.png" "$root/usr/share/icons/hicolor/scalable/apps/$id.svg" ||
    fail "the icon does not render"

# An apt of its own, with the machine's installed packages as its dpkg's,
# so that polysketch's dependencies are met, but files of its own; it checks
# dates as a user's apt does, whatever the machine's apt.conf.d says.
apt_root() {
    local dir=$work/root package
    mkdir -p "$dir"/etc/apt/{apt.conf.d,preferences.d,sources.list.d,keyrings} "$dir"/var/log/apt \
        "$dir"/var/lib/apt/lists/partial "$dir"/var/cache/apt/archives/partial "$dir"/var/lib/dpkg/{info,updates}
    # apt fetches as a user of its own, who must reach the lists' folder.
    chmod 755 "$work"
    cp /var/lib/dpkg/status "$dir/var/lib/dpkg/status"
    [ ! -f /var/lib/dpkg/arch ] || cp /var/lib/dpkg/arch "$dir/var/lib/dpkg/arch"
    # Their files are the machine's, not this root's: each is listed empty.
    for package in $(dpkg-query -W -f='${binary:Package}\n'); do
        : >"$dir/var/lib/dpkg/info/$package.list"
    done
    printf '%s\n' "Dir \"$dir/\";" "Dir::State::status \"$dir/var/lib/dpkg/status\";" \
        "DPkg::Options { \"--root=$dir\"; \"--log=$dir/var/log/dpkg.log\"; };" \
        'Acquire::Languages "none";' >"$work/apt.conf"
    cp "$release/apt/polysketch-archive-keyring.pgp" "$dir/etc/apt/keyrings/"
    # The published file, served here and with its keyring in this root.
    sed -e "s|^URIs: .*|URIs: http://127.0.0.1:$port/apt|" -e "s|/etc/apt/keyrings/|$dir/etc/apt/keyrings/|" \
        "$release/apt/polysketch.sources" >"$dir/etc/apt/sources.list.d/polysketch.sources"
}

# apt-get, or with apt as $1 the apt command, in the root of its own.
apt_in_root() {
    local command=apt-get
    [ "$1" != apt ] || { command=apt; shift; }
    APT_CONFIG=$work/apt.conf LC_ALL=C "$command" -q -o Acquire::Check-Valid-Until=true \
        -o Acquire::Check-Date=true "$@" 2>&1
}

installed() { dpkg-query --admindir="$work/root/var/lib/dpkg" -W -f='${Version}' polysketch 2>/dev/null; }
version() { dpkg-deb -f "$1" Version; }

# Serves the repository $1 as /apt, as a host would serve the one published.
publish() { ln -sfn "$(realpath "$1")" "$work/www/apt"; }

# The lists of the last good update, as apt keeps them.
good_lists() {
    rm -rf "$work/root/var/lib/apt/lists"
    cp -a "$work/lists" "$work/root/var/lib/apt/lists"
}

# Updates and checks that nothing in the output warns or fails; $1 names the
# step. Where apt can audit (3.0 on), the audited update comes first, while
# the repository's files are new to it.
clean_update() {
    local output
    if dpkg --compare-versions "$(dpkg-query -W -f='${Version}' apt)" ge 3.0; then
        output=$(apt_in_root apt --audit update) || fail "$1: apt --audit update failed: $output"
        ! grep -E '^(W|E|Audit|Notice|N):' <<<"$output" || fail "$1: apt --audit update warns: $output"
    fi
    output=$(apt_in_root update) || fail "$1: apt-get update failed: $output"
    ! grep -E '^(W|E):' <<<"$output" || fail "$1: apt-get update warns: $output"
}

# A repository with one fault, $1, must be refused, at the update (only a
# warning, as the good lists stay cached) or at the upgrade, with apt saying
# $2; and the installed version stays.
refused() {
    local output
    good_lists
    output=$(apt_in_root update; apt_in_root -y upgrade)
    grep -qE '^(W|E):' <<<"$output" && grep -qiE "$2" <<<"$output" || fail "$1 is not refused with '$2': $output"
    [ "$(installed)" = "$(version "$deb")" ] || fail "$1 changed the installed version to $(installed)"
}

# A copy of the newer repository, named $1, with its file $2 (and $2.gz)
# changed by the sed expression $3 wherever it is served, by hash too.
tampered() {
    local copy=$work/$1 file old
    cp -a "$work/newer" "$copy"
    for file in "$copy/$2" "$copy/$2.gz"; do
        [ -f "$file" ] || continue
        old=${file%/*}/by-hash/SHA256/$(sha256sum "$file" | cut -d ' ' -f 1)
        case $file in
        *.gz) sed "$3" "${file%.gz}" | gzip -9n >"$file" ;;
        *) sed -i "$3" "$file" ;;
        esac
        [ ! -f "$old" ] || cp "$file" "$old"
    done
    echo "$copy"
}

# Starts the server of $work/www on a free port of 127.0.0.1, in $port.
serve() {
    mkdir "$work/www"
    python3 -u -m http.server --bind 127.0.0.1 --directory "$work/www" 0 >"$work/server.log" 2>&1 &
    server=$!
    port=
    for _ in $(seq 100); do
        port=$(grep -o 'port [0-9]*' "$work/server.log" | cut -d ' ' -f 2)
        [ -z "$port" ] || return 0
        sleep 0.1
    done
    fail "the repository's server did not start: $(cat "$work/server.log")"
}

if [ -n "$release" ]; then
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    index=dists/$suite/main/binary-$(dpkg --print-architecture)/Packages
    serve
    apt_root
    publish "$release/apt"
    clean_update "the release"
    apt_in_root -y install polysketch >"$work/install.log" || fail "polysketch does not install: $(cat "$work/install.log")"
    [ "$(installed)" = "$(version "$deb")" ] && [ -x "$work/root/usr/bin/polysketch" ] ||
        fail "the repository installed polysketch '$(installed)', not $(version "$deb")"
    cp -a "$work/root/var/lib/apt/lists" "$work/lists"

    # The newer version, published as the release publishes, and its faults.
    dpkg --compare-versions "$(version "$newer")" gt "$(version "$deb")" ||
        fail "$(version "$newer") does not sort after $(version "$deb")"
    "$scripts/apt-repository.sh" make "$work/newer" "$newer"
    publish "$(tampered packages "$index" 's/^Depends: .*/Depends: libc6/')"
    refused "a changed Packages" 'hash sum mismatch|unexpected size'
    publish "$(tampered release "dists/$suite/InRelease" 's/^\(Date: \)[A-Z][a-z]*/\1Mon/')"
    refused "a changed InRelease" 'BADSIG|bad signature|invalid|manipulated'
    cp -a "$work/newer" "$work/debs"
    printf '\377' | dd of="$(ls "$work"/debs/pool/main/p/polysketch/*.deb)" bs=1 seek=2000 conv=notrunc status=none
    publish "$work/debs"
    refused "a changed .deb" 'hash sum mismatch|unexpected size'
    # Another key: one made here, that the keyring does not hold.
    (export GNUPGHOME=$work/other && mkdir -m 700 "$GNUPGHOME" &&
        gpg --batch --quiet --passphrase '' --quick-gen-key 'another key' ed25519 sign 1y 2>/dev/null &&
        POLYSKETCH_SIGNING_KEY=$(gpg --trust-model always --with-colons --list-keys | awk -F: '$1 == "fpr" { print $10; exit }') \
        "$scripts/apt-repository.sh" make "$work/other-key" "$newer")
    publish "$work/other-key"
    refused "a repository signed with another key" 'NO_PUBKEY|not signed|missing key'
    # Signed forty days ago, so that its Valid-Until passed ten days ago.
    faketime -f -40d "$scripts/apt-repository.sh" make "$work/expired" "$newer"
    publish "$work/expired"
    refused "a repository whose Valid-Until has passed" 'expired'

    good_lists
    publish "$work/newer"
    clean_update "the newer version"
    apt_in_root -y upgrade >"$work/upgrade.log" || fail "apt-get upgrade failed: $(cat "$work/upgrade.log")"
    [ "$(installed)" = "$(version "$newer")" ] || fail "apt upgrade kept '$(installed)', not $(version "$newer")"
fi

[ "$failed" -eq 0 ] && echo "the package${release:+, its apt repository} and its desktop files pass"
exit "$failed"
