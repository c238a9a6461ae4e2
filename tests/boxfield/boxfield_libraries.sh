#!/usr/bin/env bash
# The program started plainly needs no PNG library: its shared libraries
# (ldd) name SDL2 and GL but no libpng, although it writes the benchmark
# mode's frame-time picture (stb, compiled in). Argument: the program.
set -euo pipefail
program=${1:?program}
libs=$(ldd "$program") || { echo "FAIL: ldd $program failed" >&2; exit 1; }
# ldd answering at all is not enough: the list must be the program's.
grep -q 'libSDL2' <<<"$libs" || { echo "FAIL: ldd shows no libSDL2 for $program:" >&2; echo "$libs" >&2; exit 1; }
if grep -i 'libpng' <<<"$libs" >&2; then
  echo "FAIL: $program needs a PNG library at run time" >&2
  exit 1
fi
if grep 'not found' <<<"$libs" >&2; then
  echo "FAIL: $program has unresolved libraries" >&2
  exit 1
fi
echo "boxfield libraries: $(wc -l <<<"$libs") shared libraries, no libpng"
