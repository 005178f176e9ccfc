#!/usr/bin/env bash
# Builds the sketcher when needed and starts it on the user's display. With no
# display, starts it on a virtual one, draws a sample polygon with real pointer
# input, records the window as an animated GIF and a final PNG, and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages cmake make g++ freeglut3-dev libgl1-mesa-dri gettext po4a appstream
[ -f build/app/CMakeCache.txt ] || cmake -S . -B build/app -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/app -j "$(nproc)" >/dev/null

if [ -n "${DISPLAY:-}" ]; then
    exec build/app/polysketch "$@"
fi

need_packages xvfb xdotool x11-apps imagemagick
start_xvfb
build/app/polysketch &
app=$!
frames=$(mktemp -d)
trap 'kill "$app" "$XVFB_PID" 2>/dev/null || true; rm -rf "$frames"' EXIT
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^build/app/polysketch$' | head -n 1)

# Sends pointer input, gives the sketcher a moment to draw, and keeps what its
# window shows as the next frame, to be shown for $1 hundredths of a second.
delays=()
frame() {
    local delay=$1
    shift
    timeout 10 xdotool "$@" sleep 0.05
    xwd -silent -id "$window" >"$frames/$(printf %03d ${#delays[@]}).xwd"
    delays+=("$delay")
}

# From one vertex to the next with the left button held, so that the band
# follows the pointer, and a release that places the vertex.
drag() {
    local x0=$1 y0=$2 x1=$3 y1=$4 i steps=8
    frame 20 $(at "$x0" "$y0") mousedown 1
    for ((i = 1; i <= steps; i++)); do
        frame 6 $(at $((x0 + (x1 - x0) * i / steps)) $((y0 + (y1 - y0) * i / steps)))
    done
    frame 40 mouseup 1
}

frame 60 sleep 0.1
drag 110 290 250 330
drag 250 330 420 270
drag 420 270 380 70
drag 380 70 170 110
frame 300 click 3 # the right button closes and fills

mkdir -p out
args=()
for ((i = 0; i < ${#delays[@]}; i++)); do
    args+=(-delay "${delays[i]}" "xwd:$frames/$(printf %03d "$i").xwd")
done
convert -loop 0 "${args[@]}" -layers Optimize out/polysketch.gif
convert "xwd:$frames/$(printf %03d $((${#delays[@]} - 1))).xwd" out/polysketch.png
echo "no display: the sketcher at work recorded in $PWD/out/polysketch.gif, its last frame in $PWD/out/polysketch.png"
