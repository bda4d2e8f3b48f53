#!/usr/bin/env bash
# Builds the Debian package out/dovel_VERSION_ARCH.deb: a Release build with
# Debian's hardening flags, stripped and packed by CPack (dependencies from
# dpkg-shlibdeps), then checked by lintian when it is installed (an error
# or a warning of lintian fails the script).
#
#   bash tools/make-deb.sh            # build folder build/deb
#   BUILD_DIR=/tmp/deb bash tools/make-deb.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

build=${BUILD_DIR:-build/deb}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake takes no CPPFLAGS: the preprocessor's flags (_FORTIFY_SOURCE) ride
# with the compiler's.
export CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDOVEL_TESTS=OFF -DDOVEL_BENCH=OFF
cmake --build "$build"
rm -f "$build"/dovel_*.deb
(cd "$build" && cpack -G DEB)

mkdir -p out
deb=$(ls "$build"/dovel_*.deb)
cp "$deb" out/
deb=out/$(basename "$deb")
echo "make-deb: $deb"
dpkg-deb --field "$deb" Package Version Depends Recommends
if command -v lintian >/dev/null; then
  lintian --info --fail-on error,warning "$deb"
fi
