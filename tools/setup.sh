#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and running Dovel
# needs. Safe to run again: when everything is present it changes nothing.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev valgrind
  # OpenGL: headless EGL on Mesa (llvmpipe), GLU, X11 for the windowed host
  libegl-dev libegl-mesa0 libgl-dev libgl1-mesa-dri libglu1-mesa-dev
  libx11-dev libxext-dev libxrandr-dev libxinerama-dev xvfb xauth
  # the X11 tests: a nested server with two monitors, window tools
  xserver-xephyr x11-utils
  # the settings window (GTK 4)
  libgtk-4-dev
  # images, fonts, preferences
  libpng-dev libfreetype-dev fonts-dejavu-core libgdk-pixbuf-2.0-dev
  libgdk-pixbuf2.0-bin librsvg2-common webp-pixbuf-loader libtomlplusplus-dev
  # the desktop's wallpaper settings through GSettings (GIO), and
  # glib-compile-schemas for their tests
  libglib2.0-dev libglib2.0-bin
  # installed files: their validators, man pages, the Debian package
  desktop-file-utils appstream libxml2-utils man-db dpkg-dev file
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
