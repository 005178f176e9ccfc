#!/usr/bin/env bash
# Builds the sketcher for the browser with Emscripten, installs it as a
# static site in build/web/site, whose path it prints last, and packs the
# same site as build/web/build/polysketch-VERSION-web.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages cmake make emscripten librsvg2-bin gettext appstream
reproducible
# Emscripten's optimiser needs Debian's acorn, which a Node.js from outside
# Debian does not look for.
export NODE_PATH=/usr/share/nodejs
site=$PWD/build/web/site
rm -rf "$site"
mkdir -p build/web
log=build/web/build.log
{
    emcmake cmake -S . -B build/web/build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DPOLYSKETCH_WERROR=ON -DCMAKE_INSTALL_PREFIX="$site" &&
    cmake --build build/web/build -j "$(nproc)" &&
    cmake --install build/web/build &&
    (cd build/web/build && rm -f polysketch-*-web.zip && cpack)
} >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
echo "$site"
