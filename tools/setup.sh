#!/usr/bin/env bash
# Installs the Debian packages the project needs, then configures and builds
# the native tree. Safe to run again: packages already present are skipped,
# and the build is incremental.
#   tools/setup.sh              every package (build, tests, Windows cross
#                               builds, Wine, fuzzing, checks), full build
#   tools/setup.sh --run        only what building and running the programs
#                               needs, and only the programs (tools/run.sh)
#   tools/setup.sh --no-build   install packages only (with --run: the run set)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)

run_only=0
build=1
for arg in "$@"; do
  case "$arg" in
    --run) run_only=1 ;;
    --no-build) build=0 ;;
    *)
      echo "setup: unknown option $arg (use --run and/or --no-build)" >&2
      exit 2
      ;;
  esac
done

# Building and running the programs: compiler, CMake, SDL2, OpenGL (GL, GLU,
# EGL and Mesa's drivers, for the window and the headless runners), stb's
# image writer and reader (PNG files, compiled into the programs),
# nlohmann-json (the runners' reports, header only), help2man
# (the manual pages, made from the programs' --help), libwayland-client's
# headers (the SDL backend checks a Wayland compositor for a seat), SQLite
# and libpq (the history of runs).
run_packages=(
  cmake make g++ pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
  libstb-dev nlohmann-json3-dev help2man libwayland-dev
  libsqlite3-dev libpq-dev
)
# Testing as well: GoogleTest and Google Benchmark, the X server, the Wayland
# compositor (weston) and input tools of the window tests, the Windows cross
# compilers and Wine, clang for the fuzz targets and the format and lint
# checks, Valgrind, the PostgreSQL server (a throwaway cluster per test run).
test_packages=(
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick x11-utils libx11-dev weston
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64
  clang clang-format clang-tidy libclang-rt-14-dev
  valgrind apitrace
  dpkg-dev lintian unzip locales
  postgresql
)

packages=("${run_packages[@]}")
if [ "$run_only" -eq 0 ]; then packages+=("${test_packages[@]}"); fi

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
# A locale whose decimal point is a comma, for the report tests (its
# definition comes with the locales package of the test set).
if [ "$run_only" -eq 0 ] && ! locale -a 2>/dev/null | grep -qi '^de_DE.utf-\?8$'; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

if [ "$build" -eq 0 ]; then exit 0; fi

if [ "$run_only" -eq 1 ]; then
  # A fresh tree is configured without tests and benchmarks (GoogleTest and
  # Google Benchmark are not in the run set); an existing tree keeps its
  # settings. Either way only the programs are built.
  options=()
  if [ ! -f "$here/build/CMakeCache.txt" ]; then options=(-DBF_TESTS=OFF -DBF_BENCH=OFF); fi
  cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${options[@]+"${options[@]}"}
  cmake --build "$here/build" -j"$(nproc)" --target boxfield boxfield_runner gallery gallery_runner glyph_tool
  exit 0
fi

cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBF_TESTS=ON -DBF_BENCH=ON
cmake --build "$here/build" -j"$(nproc)"
