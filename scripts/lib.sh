# Shared by the scripts: package checks, the machine's Debian archive, the
# time stamp of what they make, throwaway signing keys, a private X display
# and pointer moves.

# Installs the Debian packages that are missing, or names them and stops when
# not root.
need_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing Debian packages: ${missing[*]}" >&2
        echo "install them with: sudo apt-get install ${missing[*]}" >&2
        exit 1
    fi
    echo "installing ${missing[*]}" >&2
    timeout 600 apt-get update -qq
    DEBIAN_FRONTEND=noninteractive timeout 1800 apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Succeeds when a Debian package is installed or this machine's archive offers
# it; reads the package lists first where apt has none yet.
installable() {
    local candidate
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed' && return 0
    ls /var/lib/apt/lists/ | grep -q '_Packages$' || timeout 600 apt-get update -qq
    candidate=$(apt-cache policy "$1" 2>/dev/null | awk '/Candidate:/ { print $2 }')
    [ -n "$candidate" ] && [ "$candidate" != '(none)' ]
}

# Prints the address of the Debian archive that this machine installs freeglut
# from, so that whatever else is fetched comes from the same mirror.
debian_archive() {
    local uri
    policy() { apt-cache policy freeglut3-dev | awk '/^ +[0-9]+ [a-z]+:\/\// { print $2; exit }'; }
    uri=$(policy)
    if [ -z "$uri" ]; then
        timeout 300 apt-get update -qq
        uri=$(policy)
    fi
    [ -n "$uri" ] || { echo "no Debian archive offers freeglut" >&2; exit 1; }
    echo "$uri"
}

# Adds Debian 12's backports to apt's sources, from the archive that the
# machine installs from, for the few tools that Debian 12 has too old. They
# are only installed when asked for by name, with -t bookworm-backports.
use_backports() {
    local list=/etc/apt/sources.list.d/bookworm-backports.list
    [ -f "$list" ] && return 0
    echo "deb $(debian_archive) bookworm-backports main" >"$list"
    timeout 600 apt-get update -qq
}

# osslsigncode 2.9 or newer, which Debian 13 has and Debian 12 has in its
# backports, so that both releases sign and check Windows files alike.
need_osslsigncode() {
    installed() { dpkg-query -W -f='${Version}' osslsigncode 2>/dev/null; }
    dpkg --compare-versions "$(installed)" ge 2.9 && return 0
    if [ "$(. /etc/os-release && echo "$VERSION_CODENAME")" != bookworm ]; then
        need_packages osslsigncode
    elif [ "$(id -u)" -eq 0 ]; then
        use_backports
        echo "installing osslsigncode from bookworm-backports" >&2
        DEBIAN_FRONTEND=noninteractive timeout 1800 apt-get install -y -qq --no-install-recommends \
            -t bookworm-backports osslsigncode >/dev/null
    fi
    dpkg --compare-versions "$(installed)" ge 2.9 || {
        local installed
        installed=$(installed)
        echo "osslsigncode 2.9 or newer is needed, and this machine has ${installed:-none};" \
            "on Debian 12 install it with: apt-get install -t bookworm-backports osslsigncode" >&2
        exit 1
    }
}

# Makes throwaway keys in the folder $1 and gives them to the release as the
# owner's would be: an Ed25519 OpenPGP key that expires, in a keyring of its
# own, and a certificate authority with a code-signing certificate under it,
# whose authority's certificate is left in POLYSKETCH_TEST_AUTHORITY. The
# OpenPGP key is made ninety days back, so that a repository can be signed in
# the past with it.
throwaway_keys() {
    local dir=$1
    need_packages gpg gpg-agent openssl faketime
    export GNUPGHOME=$dir/gnupg
    mkdir -p -m 700 "$GNUPGHOME"
    faketime -f -90d gpg --batch --quiet --passphrase '' --quick-gen-key \
        'polysketch throwaway key <throwaway@polysketch.invalid>' ed25519 sign 2y 2>/dev/null
    export POLYSKETCH_SIGNING_KEY
    POLYSKETCH_SIGNING_KEY=$(LC_ALL=C gpg --trust-model always --with-colons --list-secret-keys |
        awk -F: '$1 == "fpr" { print $10; exit }')
    openssl req -x509 -newkey rsa:3072 -nodes -keyout "$dir/authority.key" -out "$dir/authority.pem" \
        -days 3650 -subj '/CN=polysketch throwaway authority' \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
    openssl req -newkey rsa:3072 -nodes -keyout "$dir/signing.key" -out "$dir/signing.csr" \
        -subj '/CN=The polysketch authors' 2>/dev/null
    printf '%s\n' basicConstraints=critical,CA:FALSE keyUsage=critical,digitalSignature \
        extendedKeyUsage=codeSigning >"$dir/signing.ext"
    openssl x509 -req -in "$dir/signing.csr" -CA "$dir/authority.pem" -CAkey "$dir/authority.key" \
        -set_serial 1 -days 730 -extfile "$dir/signing.ext" -out "$dir/signing.pem" 2>/dev/null
    cat "$dir/signing.pem" "$dir/authority.pem" >"$dir/chain.pem"
    export POLYSKETCH_AUTHENTICODE_CERT=$dir/chain.pem POLYSKETCH_AUTHENTICODE_KEY=$dir/signing.key
    export POLYSKETCH_TEST_AUTHORITY=$dir/authority.pem
}

# Signs with the owner's OpenPGP key alone, POLYSKETCH_SIGNING_KEY in the
# keyring at GNUPGHOME, and SHA-512; gpg's further arguments say what and how.
# It refuses a key that Debian 13's apt would reject soon or at once: one
# that is neither Ed25519 nor RSA of 3072 bits or more, or that never expires.
openpgp_sign() {
    local key
    key=$(LC_ALL=C gpg --batch --with-colons --list-keys "$POLYSKETCH_SIGNING_KEY" 2>/dev/null | awk -F: '$1 == "pub"')
    case $(cut -d : -f 4,17 <<<"$key") in
    22:ed25519) ;;
    1:* | 2:* | 3:*) [ "$(cut -d : -f 3 <<<"$key")" -ge 3072 ] || key= ;;
    *) key= ;;
    esac
    if [ -z "$key" ] || [ -z "$(cut -d : -f 7 <<<"$key")" ]; then
        echo "POLYSKETCH_SIGNING_KEY must name an Ed25519 key or an RSA key of 3072 bits or more," \
            "with an expiry, in the keyring at ${GNUPGHOME:-~/.gnupg}" >&2
        exit 1
    fi
    LC_ALL=C gpg --batch --yes --quiet --trust-model always --local-user "$POLYSKETCH_SIGNING_KEY!" \
        --digest-algo SHA512 "$@"
}

# freeglut's upstream release, which the Windows build links statically and
# the release's bill of materials names; the hash pins its content.
TOOLKIT_VERSION=3.4.0
TOOLKIT_SHA256=3c0bcb915d9b180a97edaebd011b7a1de54583a838644dcd42bb0ea0c6f3eaec

# What the builds make depends on the source alone: every time stamp is
# SOURCE_DATE_EPOCH, the commit's time unless set, and files get the modes
# that Debian's own package builds give them, whatever the caller's umask.
reproducible() {
    if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
        need_packages git
        SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) ||
            { echo "not a git checkout: set SOURCE_DATE_EPOCH to the source's time" >&2; exit 1; }
    fi
    export SOURCE_DATE_EPOCH
    umask 022
    # Zip files keep their times in local time, with no zone.
    export TZ=UTC
}

# Starts Xvfb on a free display number, points DISPLAY at it and stops it when
# the script exits. The screen is large enough for the window moved to
# (256, 192) and widened to 1024.
start_xvfb() {
    local fifo number
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
    XVFB_PID=$!
    trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
    if ! read -r -t 30 number <"$fifo"; then
        rm -f "$fifo"
        echo "Xvfb did not start" >&2
        exit 1
    fi
    rm -f "$fifo"
    export DISPLAY=":$number"
    # Mesa's software rasteriser on every machine, so colours are exact.
    export LIBGL_ALWAYS_SOFTWARE=1
}

# An xdotool move to a position in the sketch window, which sits at
# (256, 192) on a screen without a window manager.
at() { echo "mousemove $((256 + $1)) $((192 + $2))"; }
