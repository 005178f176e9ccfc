#!/usr/bin/env bash
# Cross-builds polysketch.exe for 64-bit Windows with mingw-w64 and packs it in
# a zip, whose path it prints last, and in an installer beside it, the same
# name ending in .msi. freeglut, which Debian packages for Linux
# only, is built once from its upstream release as a static library and kept
# in build/windows/freeglut.
# Given POLYSKETCH_AUTHENTICODE_CERT and POLYSKETCH_AUTHENTICODE_KEY, it signs
# the program before packing it and then the installer, timestamped by
# POLYSKETCH_TIMESTAMP_URL where that is set; a rebuild given
# POLYSKETCH_AUTHENTICODE_SIGNATURES, a folder of the signatures that a
# release published, attaches them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages cmake make g++-mingw-w64-x86-64 zip librsvg2-bin icoutils wixl msitools faketime
[ -z "${POLYSKETCH_AUTHENTICODE_CERT:-}${POLYSKETCH_AUTHENTICODE_KEY:-}${POLYSKETCH_AUTHENTICODE_SIGNATURES:-}" ] ||
    { need_packages openssl && need_osslsigncode; }
reproducible
top=$PWD/build/windows
toolkit=$top/freeglut
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake

# freeglut's upstream release (pinned in lib.sh), which Debian's source
# packages of it share, as the machine's own Debian archive serves it.
TOOLKIT=freeglut-$TOOLKIT_VERSION
TOOLKIT_TARBALL=freeglut_$TOOLKIT_VERSION.orig.tar.gz

# Fetches and unpacks the release into $1; apt's own downloader checks the
# hash and keeps nothing that does not match.
fetch_toolkit() {
    local dir=$1
    timeout 300 /usr/lib/apt/apt-helper -qq -o APT::Sandbox::User=root download-file \
        "$(debian_archive)/pool/main/f/freeglut/$TOOLKIT_TARBALL" "$dir/$TOOLKIT_TARBALL" \
        "SHA256:$TOOLKIT_SHA256" >/dev/null
    tar -xzf "$dir/$TOOLKIT_TARBALL" -C "$dir"
}

build_toolkit() {
    local work=$top/toolkit-work
    rm -rf "$work" "$toolkit"
    mkdir -p "$work"
    fetch_toolkit "$work"
    local source=$work/$TOOLKIT
    # freeglut 3.4.0 asks for the policies of CMake 3.0, which CMake 4 no
    # longer has; 3.5's are the oldest that CMake 4 keeps, and CMake 3.x
    # ignores the setting.
    cmake -S "$source" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_POLICY_VERSION_MINIMUM=3.5 \
        -DCMAKE_INSTALL_PREFIX="$work/prefix" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
        -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF >"$work/build.log" 2>&1 &&
    cmake --build "$work/build" -j "$(nproc)" >>"$work/build.log" 2>&1 &&
    cmake --install "$work/build" >>"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; exit 1; }
    # Named after the release, so that a new pin rebuilds the cache.
    cp "$source/COPYING" "$work/prefix/$TOOLKIT.COPYING"
    # Moved into place only once complete, so that an interrupted run is
    # redone rather than taken for a cache.
    mv "$work/prefix" "$toolkit"
    rm -rf "$work"
}

# Signs the Windows file $1 in place with SHA-256, or attaches the published
# signature $2 to it; without either it stays unsigned.
authenticode() {
    local file=$1 signature=$2
    local log=$file.log
    if [ -n "${POLYSKETCH_AUTHENTICODE_SIGNATURES:-}" ]; then
        # The signature's own certificates stand for the authority here: a
        # rebuild proves that the signature fits the file, and whom it names
        # is checked where the release is verified.
        signature=$POLYSKETCH_AUTHENTICODE_SIGNATURES/$signature
        openssl pkcs7 -inform DER -print_certs -in "$signature" -out "$file.chain" &&
            osslsigncode attach-signature -CAfile "$file.chain" -sigin "$signature" \
                -in "$file" -out "$file.signed" >"$log" 2>&1
    elif [ -n "${POLYSKETCH_AUTHENTICODE_CERT:-}${POLYSKETCH_AUTHENTICODE_KEY:-}" ]; then
        osslsigncode sign -certs "${POLYSKETCH_AUTHENTICODE_CERT:?needs POLYSKETCH_AUTHENTICODE_KEY too}" \
            -key "${POLYSKETCH_AUTHENTICODE_KEY:?needs POLYSKETCH_AUTHENTICODE_CERT too}" -h sha256 \
            -n Polysketch ${POLYSKETCH_TIMESTAMP_URL:+-ts "$POLYSKETCH_TIMESTAMP_URL"} \
            -in "$file" -out "$file.signed" >"$log" 2>&1
    else
        return 0
    fi || {
        cat "$log" >&2
        [ -z "${POLYSKETCH_AUTHENTICODE_SIGNATURES:-}" ] ||
            echo "the published signature does not fit the rebuilt ${file##*/}: they differ" >&2
        rm -f "$file.signed"
        exit 1
    }
    mv "$file.signed" "$file"
}

[ -f "$toolkit/$TOOLKIT.COPYING" ] || build_toolkit

app=$top/app
cmake -S . -B "$app" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF -DPOLYSKETCH_WERROR=ON -DFreeGLUT_DIR="$toolkit/lib/cmake/FreeGLUT" \
    -DPOLYSKETCH_TOOLKIT_NOTICE="$toolkit/$TOOLKIT.COPYING" >/dev/null
cmake --build "$app" -j "$(nproc)" >/dev/null

# The zip promises a 64-bit GUI program that needs only Windows' own DLLs.
headers=$(x86_64-w64-mingw32-objdump -p "$app/polysketch.exe")
foreign=$(awk '/DLL Name:/ { print $3 }' <<<"$headers" |
    grep -viE '^(advapi32|gdi32|kernel32|msvcrt|opengl32|user32|winmm)\.dll$' || true)
if ! grep -q 'PE32+' <<<"$headers" || ! grep -q 'Windows GUI' <<<"$headers" || [ -n "$foreign" ]; then
    echo "polysketch.exe is not a 64-bit GUI program on Windows' own DLLs: ${foreign:-wrong format}" >&2
    exit 1
fi
# Its face: the icon that Explorer and the toolkit look for, in every size,
# and the project's version in the file's properties.
wrestool -x -t group_icon -n GLUT_ICON "$app/polysketch.exe" >"$app/resource.ico"
sizes=$(icotool -l "$app/resource.ico" | grep -o 'width=[0-9]*' | tr '\n' ' ')
version=$(wrestool -x --raw -t version "$app/polysketch.exe" | strings -el -n 3 | grep -A1 -x ProductVersion | tail -n 1)
if [ "$sizes" != "width=16 width=24 width=32 width=48 width=256 " ] || [ "$version" != "$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$app/CMakeCache.txt")" ]; then
    echo "polysketch.exe lacks its icon or its version: icon ${sizes:-none}, version ${version:-none}" >&2
    exit 1
fi
# The program as shipped, which the zip's install rules take: stripped here,
# since stripping a signed file would break its signature, and then signed.
mkdir -p "$app/shipped"
x86_64-w64-mingw32-strip -o "$app/shipped/polysketch.exe" "$app/polysketch.exe"
authenticode "$app/shipped/polysketch.exe" polysketch.exe.p7s
rm -f "$app"/polysketch-*.zip
if ! (cd "$app" && cpack >cpack.log 2>&1); then
    cat "$app/cpack.log" >&2
    exit 1
fi
zip=$(ls "$app"/polysketch-*-windows-x86_64.zip)

# The installer holds the zip's own files. wixl dates it, and on Debian 13
# each file in its cabinet too, by the clock, whatever the files' own times,
# so it is built with the clock stopped at SOURCE_DATE_EPOCH; and it draws a
# random package code, which the summary information that CMake made
# replaces with the version's.
msi=${zip%.zip}.msi files=$app/msi
clock=$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')
rm -rf "$files" "$msi"
mkdir "$files"
unzip -q -j "$zip" -d "$files"
cp "$app/polysketch.ico" "$app/polysketch.wxs" "$app/_SummaryInformation.idt" "$files/"
if ! (cd "$files" && faketime -f "$clock" sh -c \
      'wixl -a x64 -o "$1" polysketch.wxs && msibuild "$1" -i _SummaryInformation.idt' sh "$msi") >"$app/wixl.log" 2>&1; then
    cat "$app/wixl.log" >&2
    exit 1
fi
authenticode "$msi" polysketch.msi.p7s
echo "$zip"
