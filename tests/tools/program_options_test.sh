#!/usr/bin/env bash
# The command-line convention every program shares, checked on each program
# without a display (no option check may open a window): --help and -h print
# the usage with status 0, --version the project version; an unknown option,
# a flag given a value, an option where a value belongs and an option after
# "--" are each refused with exactly one line on standard error, "PROG:
# MISTAKE (try 'PROG --help')", and status 2.
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
# refused PROGRAM MISTAKE ARG...: one line naming MISTAKE, status 2.
refused() {
  local exe=$1 mistake=$2 name status
  name=$(basename "$exe")
  shift 2
  env -u DISPLAY -u WAYLAND_DISPLAY "$exe" "$@" >out 2>err
  status=$?
  [ "$status" = 2 ] && [ ! -s out ] && [ "$(wc -l <err)" = 1 ] &&
    [ "$(cat err)" = "$name: $mistake (try '$name --help')" ] ||
    fail "$name $*: status $status, said: $(cat out err)"
}
for exe in "$@"; do
  name=$(basename "$exe")
  for help in --help -h; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$exe" $help 2>&1)
    [ $? = 0 ] && grep -q "^Usage: $name" <<<"$out" || fail "$name $help: $out"
  done
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$exe" --version 2>&1)
  [ $? = 0 ] && grep -Eq "^$name [0-9]+\.[0-9]+\.[0-9]+$" <<<"$out" || fail "$name --version: $out"
  refused "$exe" "unknown option --frobnicate" --frobnicate
  refused "$exe" "unknown option --frobnicate" --frobnicate=1
  refused "$exe" "--version takes no value" --version=1
  after_end="unexpected argument '--help'"
  [ "$name" != glyph_tool ] || after_end="unknown command --help"
  refused "$exe" "$after_end" -- --help
  [ ! -e graphics_error.log ] || fail "$name: an option check wrote graphics_error.log"
done
# An option where a value belongs, in each program that takes values.
for exe in "$@"; do
  case $(basename "$exe") in
    boxfield) refused "$exe" "--report needs a value, not the option '--strict'" --benchmark --report --strict ;;
    boxfield_runner) refused "$exe" "--out needs a value, not the option '--help'" --out --help ;;
    gallery_runner) refused "$exe" "--out needs a value, not the option '-h'" --out -h ;;
    glyph_tool) refused "$exe" "--cell needs a value, not the option '--grid'" specimen builtin x.png --cell --grid ;;
  esac
done
[ "$failures" -eq 0 ] && echo "options of $#: all checks passed"
[ "$failures" -eq 0 ]
