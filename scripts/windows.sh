#!/usr/bin/env bash
# Cross-builds polysketch.exe for 64-bit Windows with mingw-w64 and packs it in
# a zip, whose path it prints last, and in an installer beside it, the same
# name ending in .msi. freeglut, which Debian packages for Linux
# only, is built once from its upstream release as a static library and kept
# in build/windows/freeglut.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages cmake make g++-mingw-w64-x86-64 zip librsvg2-bin icoutils wixl msitools faketime
reproducible
top=$PWD/build/windows
toolkit=$top/freeglut
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake

# freeglut's upstream release, which Debian's source packages of it share, as
# the machine's own Debian archive serves it; the hash pins its content.
TOOLKIT=freeglut-3.4.0
TOOLKIT_TARBALL=freeglut_3.4.0.orig.tar.gz
TOOLKIT_SHA256=3c0bcb915d9b180a97edaebd011b7a1de54583a838644dcd42bb0ea0c6f3eaec

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
echo "$zip"
