# Shared by the scripts: package checks, the machine's Debian archive, the
# time stamp of what they make, a private X display and pointer moves.

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
