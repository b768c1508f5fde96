#!/usr/bin/env bash
# Pictures of every window of both programs for the README, taken on a private
# X server (Xvfb + openbox, so windows have their frames) and stored in
# docs/screenshots/; the README's screenshot section is rewritten to match.
# Needs: xvfb, openbox (and the build's dependencies). Usage:
#   tools/screenshots.sh [BUILD_DIR]      (default: build)
# SCREENSHOT_DISPLAYS="N ..." names the X display numbers it may take
# (default 70 to 99).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target kv_screenshots -j4 >/dev/null

# A display number nobody uses.
display=
for n in ${SCREENSHOT_DISPLAYS:-$(seq 70 99)}; do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }

work=$(mktemp -d)
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
wm=
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
DISPLAY=":$display" HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
sleep 1

# Loopback as the own address: nothing leaves the machine.
DISPLAY=":$display" QT_QPA_PLATFORM=xcb KV_LOCAL_IPV4=127.0.0.1 \
  "$build/tools/kv_screenshots" docs/screenshots README.md
