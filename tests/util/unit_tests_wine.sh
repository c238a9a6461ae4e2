#!/usr/bin/env bash
# Runs the x86_64 Windows build of the unit tests under Wine.
# Arguments: the MinGW x86_64 build tree, the source tree.
set -euo pipefail
build=${1:?build tree}
exe="$build/tests/unit_tests.exe"
if [ ! -f "$exe" ]; then
  echo "missing $exe: cross-build with tools/test.sh first" >&2
  exit 1
fi
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
exec wine "$exe" --gtest_brief=1
