#!/usr/bin/env bash
# The Linux .tar.gz unpacked into an empty folder (or a prefix given as the
# third argument: deb.sh's root with both .deb packages extracted), used as an
# installed prefix by the project in consumer/ (copied out of the source tree
# first): configured with find_package (which also compiles every installed
# header alone) and with pkg-config, built, and run on the headless backend.
# Arguments: the packages folder, the version, and optionally the prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pkgs=${1:?packages folder}
version=${2:?version}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -n "${3:-}" ]; then
  prefix=$(cd "$3" && pwd)
else
  prefix=$work/prefix
  tarball="$pkgs/boxfield_toolkit-$version-Linux.tar.gz"
  [ -f "$tarball" ] || { echo "FAIL: no $tarball" >&2; exit 1; }
  mkdir "$prefix"
  tar -xzf "$tarball" -C "$prefix" --strip-components=1
fi
cp -r "$here/consumer" "$work/src"

libdir=lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)

# find_package: only the unpacked prefix is offered.
cmake -S "$work/src" -B "$work/cmake" -DCONSUMER_USE=cmake -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_BUILD_TYPE=Release >"$work/cmake.log" ||
  { cat "$work/cmake.log" >&2; echo "FAIL: find_package configuration" >&2; exit 1; }
found=$(sed -n 's/^boxfield_toolkit_DIR:PATH=//p' "$work/cmake/CMakeCache.txt")
[ "$found" = "$prefix/$libdir/cmake/boxfield_toolkit" ] ||
  { echo "FAIL: find_package took $found, not the unpacked prefix" >&2; exit 1; }
grep 'installed headers' "$work/cmake.log"
cmake --build "$work/cmake" -j2 >"$work/build.log" || { cat "$work/build.log" >&2; exit 1; }
"$work/cmake/consumer"

# pkg-config: the module found through PKG_CONFIG_PATH, its paths inside the
# prefix wherever that lies.
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
cflags=$(pkg-config --cflags boxfield_toolkit_headless)
[[ "$cflags" == *"$prefix/$libdir/pkgconfig/../../../include/boxfield_toolkit"* ]] ||
  { echo "FAIL: pkg-config cflags $cflags" >&2; exit 1; }
[ "$(pkg-config --modversion boxfield_toolkit_sdl)" = "$version" ] || { echo "FAIL: sdl module version" >&2; exit 1; }
cmake -S "$work/src" -B "$work/pc" -DCONSUMER_USE=pkgconfig -DCMAKE_BUILD_TYPE=Release >"$work/pc.log" ||
  { cat "$work/pc.log" >&2; echo "FAIL: pkg-config configuration" >&2; exit 1; }
cmake --build "$work/pc" -j2 >"$work/build.log" || { cat "$work/build.log" >&2; exit 1; }
"$work/pc/consumer"
echo "consumer: built and ran with find_package and with pkg-config"
