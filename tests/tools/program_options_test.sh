#!/usr/bin/env bash
# --help and --version of the window programs that have no other options
# (gallery, window_demo): usage on standard output and status 0, the project
# version, and one line with a non-zero status for anything else, all
# without opening a window (no display is set).
# Arguments: the programs.
set -uo pipefail
# A folder of its own: other tests leave graphics_error.log in the test tree.
run_dir=$(mktemp -d)
trap 'rm -rf "$run_dir"' EXIT
cd "$run_dir" || exit 1
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
for exe in "$@"; do
  name=$(basename "$exe")
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$exe" --help 2>&1)
  [ $? = 0 ] && grep -q "^usage: $name" <<<"$out" || fail "$name --help: $out"
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$exe" --version 2>&1)
  [ $? = 0 ] && grep -Eq "^$name [0-9]+\.[0-9]+\.[0-9]+$" <<<"$out" || fail "$name --version: $out"
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$exe" --frobnicate 2>&1)
  status=$?
  [ "$status" != 0 ] && [ "$(wc -l <<<"$out")" = 1 ] && grep -q "unknown argument '--frobnicate'" <<<"$out" ||
    fail "$name --frobnicate: status $status: $out"
  [ ! -e graphics_error.log ] || fail "$name: an option check wrote graphics_error.log"
done
[ "$failures" -eq 0 ] && echo "options of $#: all checks passed"
[ "$failures" -eq 0 ]
