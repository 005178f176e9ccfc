#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, plain and with
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test on a
# private virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages cmake make g++ freeglut3-dev libgl1-mesa-dri libgtest-dev \
    libx11-dev libxtst-dev xvfb

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

run_variant test
run_variant sanitize -DPOLYSKETCH_SANITIZE=ON
