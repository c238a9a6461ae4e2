#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with, then
# configures and builds the native tree. Safe to run again: packages already
# present are skipped, and the build is incremental.
#   tools/setup.sh            install packages, configure and build
#   tools/setup.sh --no-build install packages only
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake make g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
  libpng-dev
  xvfb xauth xdotool imagemagick x11-utils libx11-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64
  clang clang-format clang-tidy libclang-rt-14-dev
  valgrind apitrace
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
else
  echo "setup: every package is already installed"
fi

if [ "${1:-}" = "--no-build" ]; then exit 0; fi

cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$here/build" -j"$(nproc)"
