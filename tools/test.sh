#!/usr/bin/env bash
# The whole test run, from a fresh Debian 12 machine:
#   1. install what is missing (tools/setup.sh --no-build)
#   2. build natively with warnings as errors, and check formatting
#   3. cross-build for Windows: i686 (the 32-bit target) and x86_64
#   4. run every CTest label: unit, gl (headless Mesa), window (Xvfb +
#      xdotool), windows (the x86_64 build under Wine), postgres (a
#      throwaway PostgreSQL cluster for the history of runs)
#   5. rebuild with AddressSanitizer + UndefinedBehaviorSanitizer and run the
#      unit tests again
#   6. rebuild with x87 arithmetic (as the 32-bit Windows build computes,
#      which cannot run here) and run the unit tests again
#   7. a short run of every fuzz target (BF_FUZZ_SECONDS each, default 30)
#   8. Valgrind memcheck of the headless program runner in both modes
#   9. the four packages (tools/package.sh), each tested as received
#      (tests/package/test_packages.sh)
# Options: --label L   run only CTest label L in step 4 (skips steps 3 and 5
#                      unless L is windows)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
label=""
if [ "${1:-}" = "--label" ]; then label="${2:?--label needs a label}"; fi
jobs=$(nproc)

step() { printf '\n== %s\n' "$*"; }

step "packages"
bash tools/setup.sh --no-build

step "native build"
# Tests and benchmarks on, also in a tree tools/run.sh configured without them.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBF_WERROR=ON -DBF_TESTS=ON -DBF_BENCH=ON >/dev/null
cmake --build build -j"$jobs"

if [ -z "$label" ]; then
  step "format check"
  bash tools/check_format.sh
fi

if [ -z "$label" ] || [ "$label" = "windows" ]; then
  for arch in i686 x86_64; do
    step "Windows cross build ($arch)"
    dir=build-mingw32
    [ "$arch" = x86_64 ] && dir=build-mingw64
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBF_WERROR=ON -DBF_BENCH=OFF >/dev/null
    cmake --build "$dir" -j"$jobs"
  done
fi

step "tests"
if [ -n "$label" ]; then
  (cd build && ctest -L "^$label\$" --output-on-failure -j"$jobs")
  exit 0
fi
(cd build && ctest --output-on-failure -j"$jobs") | tee build/ctest-all.log

step "unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBF_SANITIZE=ON -DBF_BENCH=OFF -DBF_GL_TESTS=OFF >/dev/null
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest -L '^unit$' --output-on-failure -j"$jobs") | tee build-asan/ctest-unit.log

step "unit tests with x87 arithmetic (the 32-bit Windows build's)"
cmake -S . -B build-x87 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBF_X87=ON -DBF_WERROR=ON -DBF_BENCH=OFF -DBF_GL_TESTS=OFF >/dev/null
cmake --build build-x87 -j"$jobs"
(cd build-x87 && ctest -L '^unit$' --output-on-failure -j"$jobs") | tee build-x87/ctest-unit.log

step "fuzz targets, ${BF_FUZZ_SECONDS:-30}s each"
bash tools/fuzz.sh "${BF_FUZZ_SECONDS:-30}"

step "memcheck of the headless program runner"
bash tools/memcheck.sh "$here/build"

step "packages: .deb, .tar.gz and both Windows zips, each tested as received"
bash tools/package.sh build/packages
bash tests/package/test_packages.sh build/packages

# The runs above stop the script on any failure (pipefail), so reaching here
# means every step passed; repeat the two test summaries last.
step "summary"
grep -h "tests passed" build/ctest-all.log build-asan/ctest-unit.log build-x87/ctest-unit.log
