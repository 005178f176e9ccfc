#!/usr/bin/env bash
# Cross-builds polysketch.exe for 64-bit Windows with mingw-w64 and packs it in
# a zip, whose path it prints last. freeglut, which Debian packages for Linux
# only, is built once from Debian's own source as a static library and kept
# in build/windows/freeglut.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages cmake make g++-mingw-w64-x86-64 dpkg-dev zip
top=$PWD/build/windows
toolkit=$top/freeglut
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake

# Prints "URI SUITE/COMPONENT" of the archive that this machine installs
# freeglut from, so that a mirror keeps working.
toolkit_archive() {
    apt-cache policy freeglut3-dev | awk '/^ +[0-9]+ [a-z]+:\/\// { print $2, $3; exit }'
}

# Fetches freeglut's Debian source into $1 with a private source list and
# state, leaving the machine's own apt configuration alone.
fetch_toolkit() {
    local dir=$1 apt=$1/apt archive uri dist
    archive=$(toolkit_archive)
    if [ -z "$archive" ]; then
        timeout 300 apt-get update -qq
        archive=$(toolkit_archive)
    fi
    [ -n "$archive" ] || { echo "no Debian archive offers freeglut" >&2; exit 1; }
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts"
    uri=${archive% *}
    dist=${archive#* }
    echo "deb-src $uri ${dist%%/*} ${dist#*/}" >"$apt/sources.list"
    local options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts="$apt/parts"
                   -o Dir::State="$apt" -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache"
                   -o APT::Sandbox::User=root)
    timeout 300 apt-get "${options[@]}" -qq update
    (cd "$dir" && timeout 300 apt-get "${options[@]}" -qq source freeglut >/dev/null)
}

build_toolkit() {
    local work=$top/toolkit-work
    rm -rf "$work" "$toolkit"
    mkdir -p "$work"
    fetch_toolkit "$work"
    local source
    source=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'freeglut-*' | head -n 1)
    cmake -S "$source" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$work/prefix" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
        -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF >"$work/build.log" 2>&1 &&
    cmake --build "$work/build" -j "$(nproc)" >>"$work/build.log" 2>&1 &&
    cmake --install "$work/build" >>"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; exit 1; }
    cp "$source/COPYING" "$work/prefix/COPYING"
    # Moved into place only once complete, so that an interrupted run is
    # redone rather than taken for a cache.
    mv "$work/prefix" "$toolkit"
    rm -rf "$work"
}

[ -f "$toolkit/COPYING" ] || build_toolkit

app=$top/app
cmake -S . -B "$app" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF -DPOLYSKETCH_WERROR=ON -DFreeGLUT_DIR="$toolkit/lib/cmake/FreeGLUT" \
    -DPOLYSKETCH_TOOLKIT_NOTICE="$toolkit/COPYING" >/dev/null
cmake --build "$app" -j "$(nproc)" >/dev/null

# The zip promises a 64-bit GUI program that needs only Windows' own DLLs.
headers=$(x86_64-w64-mingw32-objdump -p "$app/polysketch.exe")
foreign=$(awk '/DLL Name:/ { print $3 }' <<<"$headers" |
    grep -viE '^(advapi32|gdi32|kernel32|msvcrt|opengl32|user32|winmm)\.dll$' || true)
if ! grep -q 'PE32+' <<<"$headers" || ! grep -q 'Windows GUI' <<<"$headers" || [ -n "$foreign" ]; then
    echo "polysketch.exe is not a 64-bit GUI program on Windows' own DLLs: ${foreign:-wrong format}" >&2
    exit 1
fi
rm -f "$app"/polysketch-*.zip
if ! (cd "$app" && cpack >cpack.log 2>&1); then
    cat "$app/cpack.log" >&2
    exit 1
fi
ls "$app"/polysketch-*-windows-x86_64.zip
