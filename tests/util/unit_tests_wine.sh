#!/usr/bin/env bash
# Runs the x86_64 Windows build of the unit tests under Wine.
# Arguments: the MinGW x86_64 build tree, the source tree. Without that
# build the test is skipped (status 77).
set -euo pipefail
build=${1:?build tree}
exe="$build/tests/unit_tests.exe"
if [ ! -f "$exe" ]; then
  echo "skipped: missing $exe (build it with: cmake --preset windows-x64 && cmake --build --preset windows-x64)"
  exit 77
fi
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
exec wine "$exe" --gtest_brief=1
