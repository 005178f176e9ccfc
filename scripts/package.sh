#!/usr/bin/env bash
# Builds the Debian package from the project's install rules, compiled with
# the flags Debian builds its own packages with, and prints its path last.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages cmake make g++ freeglut3-dev dpkg-dev file gettext po4a appstream
reproducible
rm -f build/package/polysketch_*.deb
# Every hardening feature, as Debian recommends for a program like this one.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build/package -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF -DPOLYSKETCH_WERROR=ON \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build/package -j "$(nproc)" >/dev/null
if ! (cd build/package && cpack >cpack.log 2>&1); then
    cat build/package/cpack.log >&2
    exit 1
fi
ls "$PWD"/build/package/polysketch_*.deb
