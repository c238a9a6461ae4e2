#!/usr/bin/env bash
# The Windows build's own commands: CMakePresets.json parses and offers the
# native, sanitizer and both Windows configure presets with build presets of
# the same names, and every Wine test run against a Windows tree that was
# never built ends as skipped (status 77, which CTest reports as skipped)
# with a line saying how to build it, instead of failing.
# Argument: the source tree.
set -uo pipefail
src=$(cd "${1:?source tree}" && pwd)
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

list=$(cd "$src" && cmake --list-presets=all 2>&1) || fail "cmake --list-presets: $list"
for preset in native native-debug-sanitize windows-x86 windows-x64; do
  n=$(grep -c "^  \"$preset\"" <<<"$list")
  # One configure and one build preset each; test presets where they can run.
  [ "$n" -ge 2 ] || fail "preset $preset listed $n times in: $list"
done

missing=$(mktemp -u)
for script in "$src"/tests/*/*_wine.sh; do
  out=$(bash "$script" "$missing" "$src" 2>&1)
  status=$?
  name=$(basename "$script")
  [ "$status" = 77 ] || fail "$name with no Windows tree: status $status, wanted 77: $out"
  grep -q "^skipped: .*cmake --preset windows-x64" <<<"$out" || fail "$name: no skip line in: $out"
done
[ "$failures" -eq 0 ] && echo "presets and Wine skips: all checks passed"
[ "$failures" -eq 0 ]
