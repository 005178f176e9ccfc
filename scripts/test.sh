#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, plain and with
# AddressSanitizer and UndefinedBehaviorSanitizer, makes a release signed with
# throwaway keys (the Debian package, the Windows build and the browser
# build) and a package of the next version, and runs every test on a private
# virtual X display: the plain build's also checks the package and the
# release's apt repository, signatures and bill of materials, tests the page
# in headless Chromium and against the desktop program in Chromium, Firefox
# and WebKit, and, where the machine can run it, runs the Windows build and
# its signed installer under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

# Wine runs Windows programs of the machine's own processor only: the x86-64
# build can run on an amd64 Debian and nowhere else, and only where that
# Debian has Wine at all (testing may be without it for a while).
wine= left_out=()
if [ "$(dpkg --print-architecture)" != amd64 ]; then
    left_out+=("e2e_wine and msi left out: Wine on $(dpkg --print-architecture) cannot run the x86-64 polysketch.exe (the zip is still built and checked, and the installer built)")
elif ! installable wine64; then
    left_out+=("e2e_wine and msi left out: this Debian's archive has no wine64 to install (the zip is still built and checked, and the installer built)")
else
    wine=wine64
fi
# The page is held against the desktop in Chromium, and in Firefox and WebKit
# where this Debian has them (testing has been without WebKit for a while).
browsers=chromium firefox= webkit=
if installable firefox-esr; then
    browsers+=";firefox" firefox=firefox-esr
else
    left_out+=("differential in firefox left out: this Debian's archive has no firefox-esr to install")
fi
if installable webkit2gtk-driver; then
    browsers+=";webkit" webkit=webkit2gtk-driver
else
    left_out+=("differential in webkit left out: this Debian's archive has no webkit2gtk-driver to install")
fi
# Debian 12's Mesa cuts a line that reaches beyond its guard band, where
# Debian 13's and the page draw it whole, so the page is held against the
# desktop far beyond the window from Debian 13 on.
far=ON
if [ "$(. /etc/os-release && echo "${VERSION_ID:-99}")" -lt 13 ]; then
    far=OFF
    left_out+=("far differential sessions left out: Debian 12's Mesa cuts lines beyond its guard band, where Debian 13's Mesa and the page draw them whole")
fi
say_left_out() { [ ${#left_out[@]} -eq 0 ] || printf '%s\n' "${left_out[@]}"; }
say_left_out
# A Node.js from outside Debian brings its own npm, which Debian's would
# replace.
npm=npm
! command -v npm >/dev/null || npm=
need_packages cmake make g++ freeglut3-dev libgl1-mesa-dri libgtest-dev \
    libx11-dev libxdo-dev xvfb xdotool x11-apps \
    dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin gettext po4a man-db locales \
    g++-mingw-w64-x86-64 zip unzip icoutils $wine emscripten chromium $firefox $webkit \
    nodejs $npm ca-certificates \
    gpg gpg-agent gpgv sqv openssl faketime apt-utils python3
need_osslsigncode

# The package of the next version, made the one way that a version is made:
# from a copy of the work tree with project()'s version and the changelog's
# first entry moved on, at the same time stamp.
newer_package() {
    local copy=$PWD/build/newer version next epoch
    epoch=$(git log -1 --format=%ct)
    rm -rf "$copy"
    mkdir -p "$copy"
    tar -c --exclude=./build --exclude=./out --exclude=./tests/node_modules --exclude=./.git . | tar -x -C "$copy"
    version=$(sed -n 's/^project(polysketch VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
    next=${version%.*}.$((${version##*.} + 1))
    sed -i "s/^project(polysketch VERSION $version /project(polysketch VERSION $next /" "$copy/CMakeLists.txt"
    { printf 'polysketch (%s) unstable; urgency=medium\n\n  * The next version.\n\n' "$next"
      printf ' -- The polysketch authors <authors@polysketch.invalid>  %s\n\n' "$(LC_ALL=C date -u -R)"
      cat docs/changelog; } >"$copy/docs/changelog"
    (cd "$copy" && SOURCE_DATE_EPOCH=$epoch scripts/package.sh | tail -n 1)
}

# The release as the owner makes it, signed with throwaway keys; the tests
# take its files.
rm -rf build/keys
mkdir -p build/keys
throwaway_keys "$PWD/build/keys"
release=$(scripts/release.sh | tail -n 1)
newer=$(newer_package)
gpgconf --kill all
deb=$(ls "$release"/polysketch_*.deb)
zip=$(ls "$release"/polysketch-*-windows-x86_64.zip)
site=$PWD/build/web/site
# The tests' npm packages, exactly as the lock file pins them.
(cd tests && timeout 600 npm ci --no-audit --no-fund --loglevel=error >/dev/null)
exe= msi=
if [ -n "$wine" ]; then
    msi=${zip%.zip}.msi
    # The executable exactly as the zip delivers it.
    rm -rf build/windows/unpacked
    unzip -q "$zip" -d build/windows/unpacked
    exe=$(find "$PWD/build/windows/unpacked" -name polysketch.exe)
fi

start_xvfb
# The leak checker would only report what the GL and X libraries keep.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_variant() {
    local dir=build/$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DPOLYSKETCH_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
    ctest --test-dir "$dir" --output-on-failure
}

run_variant test -DPOLYSKETCH_DEB="$deb" -DPOLYSKETCH_RELEASE="$release" -DPOLYSKETCH_NEWER_DEB="$newer" \
    -DPOLYSKETCH_AUTHORITY="$POLYSKETCH_TEST_AUTHORITY" -DPOLYSKETCH_WINDOWS_EXE="$exe" \
    -DPOLYSKETCH_WINDOWS_MSI="$msi" -DPOLYSKETCH_WEB_SITE="$site" \
    -DPOLYSKETCH_BROWSERS="$browsers" -DPOLYSKETCH_FAR=$far
say_left_out
run_variant sanitize -DPOLYSKETCH_SANITIZE=ON
