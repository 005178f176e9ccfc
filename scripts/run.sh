#!/usr/bin/env bash
# Builds the sketcher when needed and starts it on the user's display. With no
# display, starts it on a virtual one, draws a sample polygon with real pointer
# input, saves a screenshot of its window as a PNG and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages cmake make g++ freeglut3-dev libgl1-mesa-dri
[ -f build/app/CMakeCache.txt ] || cmake -S . -B build/app -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/app -j "$(nproc)" >/dev/null

if [ -n "${DISPLAY:-}" ]; then
    exec build/app/polysketch "$@"
fi

need_packages xvfb xdotool x11-apps imagemagick
start_xvfb
build/app/polysketch &
app=$!
trap 'kill "$app" "$XVFB_PID" 2>/dev/null || true' EXIT
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^build/app/polysketch$' | head -n 1)

# One drag, three clicks, and the right button to close and fill.
timeout 20 xdotool sleep 0.5 \
    $(at 110 290) mousedown 1 $(at 150 310) $(at 200 320) $(at 250 330) sleep 0.1 mouseup 1 \
    $(at 420 270) click 1 $(at 380 70) click 1 $(at 170 110) click 1 \
    click 3 sleep 0.5

mkdir -p out
xwd -silent -id "$window" | convert xwd:- out/polysketch.png
echo "no display: screenshot of the sketcher saved to $PWD/out/polysketch.png"
