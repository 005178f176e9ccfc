#!/usr/bin/env bash
# The page's start on a first visit, and its drawing cost: a move of the
# rubber band, a click and the close of a 100-vertex polygon, each from the
# event to a readback of the canvas; beside a floor page that draws the same
# scene through WebGL's own primitives, in Chromium and Firefox on a virtual
# display; Chromium also with its CPU slowed down six times, as on a low-end
# phone (SLOWDOWNS).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

npm=npm
! command -v npm >/dev/null || npm=
need_packages xvfb chromium firefox-esr nodejs $npm ca-certificates
site=$(scripts/web.sh | tail -n 1)
(cd tests && timeout 600 npm ci --no-audit --no-fund --loglevel=error >/dev/null)
start_xvfb
POLYSKETCH_WEB_SITE=$site node bench/web.mjs
