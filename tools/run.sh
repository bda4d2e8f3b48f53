#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, builds Dovel and runs it.
# On a display Dovel draws in a window (Escape or q ends it): a native
# Wayland window with $WAYLAND_DISPLAY set, else an X11 one on $DISPLAY;
# without one it renders ten seconds headless and writes every 30th frame as
# PNG to ./out/frames. Extra arguments go to dovel (-fullscreen, -fps, ...);
# DOVEL_BUILD_DIR names another build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

build=${DOVEL_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target dovel
dovel="$build/bin/dovel"

if [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${DISPLAY:-}" ]; then
  exec "$dovel" "$@"
fi

frames=./out/frames
rm -rf "$frames"
echo "run: no display here; rendering 10 seconds headless, 1280x720 at 60 Hz"
"$dovel" -headless -frames 600 -every 30 -out "$frames" "$@"
count=$(find "$frames" -name 'frame-*.png' | wc -l)
echo "run: $count frames are in $frames/ (frame-000000.png is the first); open them with any image viewer"
