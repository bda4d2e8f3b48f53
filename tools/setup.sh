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
  # the idle service: the X server's screen-saver extension, Wayland's idle
  # protocols; its tests press keys through XTest and wtype, run sway and
  # mutter headless and play D-Bus peers on a bus of their own
  libxss-dev libxtst-dev libwayland-dev wayland-protocols sway wtype mutter dbus-daemon
  # the X11 tests: a nested server with two monitors, window tools
  xserver-xephyr x11-utils
  # the Wayland backend (protocol code generated at build time), and its tests
  # on compositors they start headless: weston, sway (with swaybg, grim to
  # read the screen, wtype to type), mutter in a D-Bus session of its own
  libwayland-dev wayland-protocols libxkbcommon-dev libegl1-mesa-dev
  weston sway swaybg grim wtype mutter dbus-daemon
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
  # the HTML manual, made from README.md
  cmark
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
