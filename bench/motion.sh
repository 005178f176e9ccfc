#!/usr/bin/env bash
# Motion cost: CPU time per motion event and peak resident memory of the
# sketcher while the rubber band follows 4,000 motion events, with 2 and with
# 100 stored vertices, beside a bare program drawing the same two XOR lines.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

EVENTS=4000
RUNS=${RUNS:-5}
need_packages cmake make g++ freeglut3-dev libgl1-mesa-dri xvfb xdotool
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench -j "$(nproc)" --target polysketch motion_floor >/dev/null
start_xvfb
# Rasterise on the drawing thread: fewer threads, steadier figures.
export LP_NUM_THREADS=0


# CPU time in nanoseconds over all of the process's threads.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ sum += $1 } END { print sum }'; }

# Waits until the program has used no CPU for half a second.
settle() {
    local before after
    after=$(cpu_ns "$1")
    while :; do
        sleep 0.5
        before=$after
        after=$(cpu_ns "$1")
        [ "$before" = "$after" ] && return
    done
}

# Stores n vertices (n - 1 clicks, the first storing two), the last at the
# centre where the floor's lines start, and presses there to arm the band.
arm() {
    local n=$1 i moves=()
    for ((i = 0; i < n - 2; i++)); do
        moves+=($(at $((20 + (i * 37) % 470)) $((20 + (i * 53) % 340))) click 1)
    done
    xdotool "${moves[@]}" $(at 256 192) click 1 mousedown 1
}

drag() {
    local i moves=()
    for ((i = 0; i < EVENTS; i++)); do
        moves+=($(at $((10 + (i * 7) % 490)) $((10 + (i * 11) % 360))))
    done
    xdotool "${moves[@]}" mouseup 1
}

# Prints the CPU time per motion event in microseconds and the peak resident
# memory in KiB of one run.
measure() {
    local program=$1 vertices=$2 pid ns
    "$program" &
    pid=$!
    timeout 20 xdotool search --sync --onlyvisible --name "^$program\$" >/dev/null
    arm "$vertices"
    settle "$pid"
    ns=$(cpu_ns "$pid")
    drag
    settle "$pid"
    ns=$(($(cpu_ns "$pid") - ns))
    awk -v ns="$ns" -v events="$EVENTS" '/VmHWM/ { printf "%.1f %d\n", ns / 1000 / events, $2 }' \
        "/proc/$pid/status"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}

# Runs interleaved, so that a slow spell of the machine spreads over all
# three; each line gives the median of the runs.
names=("floor" "polysketch, 2 vertices" "polysketch, 100 vertices")
programs=(build/bench/motion_floor build/bench/polysketch build/bench/polysketch)
counts=(2 2 100)
results=("" "" "")
for ((run = 0; run < RUNS; run++)); do
    for i in 0 1 2; do
        results[i]+="$(measure "${programs[i]}" "${counts[i]}")"$'\n'
    done
done
for i in 0 1 2; do
    printf '%s' "${results[i]}" | sort -n | awk -v name="${names[i]}" '
        { us[NR] = $1; kib[NR] = $2 }
        END { m = int((NR + 1) / 2); printf "%-26s %7.1f us CPU per motion event %8d KiB peak resident\n", name, us[m], kib[m] }'
done
