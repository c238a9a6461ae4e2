#!/usr/bin/env bash
# Builds the five packages into build/packages/ (or the folder given):
#   boxfield_<version>_amd64.deb             Debian package: programs, docs, manual pages
#   libboxfield-toolkit-dev_<version>_amd64.deb  Debian package: headers, static
#                                            libraries, CMake and pkg-config files
#   boxfield_toolkit-<version>-Linux.tar.gz  both packages' tree in one, for any prefix
#   boxfield_toolkit-<version>-win64.zip     x86_64 Windows programs
#   boxfield_toolkit-<version>-win32.zip     i686 Windows programs
# from the native tree (build/) and the two MinGW trees (build-mingw64/,
# build-mingw32/), configured as tools/test.sh configures them, so after a
# test run only CPack's work remains. tests/package/test_packages.sh tests
# each package as received.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
out=$(mkdir -p "${1:-build/packages}" && cd "${1:-build/packages}" && pwd)
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBF_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
for arch in x86_64 i686; do
  dir=build-mingw32
  [ "$arch" = x86_64 ] && dir=build-mingw64
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBF_WERROR=ON -DBF_BENCH=OFF >/dev/null
  cmake --build "$dir" -j"$jobs"
done

rm -f "$out"/*.deb "$out"/*.tar.gz "$out"/*.zip
for dir in build build-mingw64 build-mingw32; do
  rm -rf "$dir/cpack"
  (cd "$dir" && cpack -B "$here/$dir/cpack" >cpack.log) || { cat "$dir/cpack.log" >&2; exit 1; }
  cp "$dir"/cpack/*.deb "$dir"/cpack/*.tar.gz "$dir"/cpack/*.zip "$out"/ 2>/dev/null || true
done
count=$(find "$out" -maxdepth 1 \( -name '*.deb' -o -name '*.tar.gz' -o -name '*.zip' \) | wc -l)
if [ "$count" -ne 5 ]; then
  echo "package: $count packages in $out, wanted 5" >&2
  exit 1
fi
echo "packages in $out:"
ls -l "$out"
