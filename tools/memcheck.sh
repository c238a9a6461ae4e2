#!/usr/bin/env bash
# Runs the headless box-field runner under Valgrind memcheck for a few frames
# of both render modes (tools/memcheck/both_modes.flight). Fails on any
# invalid read or write, use of uninitialised memory, or definitely lost
# block; what the program keeps for its whole life (the box block, the font
# registry) and Mesa's own caches stay "still reachable" and are allowed.
# Suppressions, each with its reason: tools/memcheck/mesa.supp.
#   tools/memcheck.sh [build dir]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
cmake --build "$build" -j"$(nproc)" --target boxfield_runner >/dev/null
out=$(mktemp -d)
log="$out/memcheck.log"
status=0
valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
  --track-origins=yes --num-callers=30 --error-exitcode=9 \
  --suppressions="$here/tools/memcheck/mesa.supp" \
  "$build/tools/boxfield_runner" --size 320x240 --script "$here/tools/memcheck/both_modes.flight" --warmup 0 --runs 2 \
  --out "$out/shots" >"$log" 2>&1 || status=$?
grep -E "ERROR SUMMARY|definitely lost|indirectly lost|still reachable|suppressed:" "$log" || true
if [ "$status" -ne 0 ]; then
  echo "memcheck: errors found (status $status); full log: $log"
  exit 1
fi
echo "memcheck: clean"
