#!/usr/bin/env bash
# Every package tools/package.sh makes, tested as a user receives it (run by
# tools/test.sh after the package step):
#   consumer.sh  the .tar.gz unpacked as a prefix; a small project builds on it
#                with find_package and with pkg-config, and runs
#   deb.sh       both .deb packages (boxfield, libboxfield-toolkit-dev): fields,
#                contents, copyright, lintian; the programs' package alone
#                (programs, manual pages) and both together (the consumer)
#   zip_pe.sh    both Windows zips: contents, PE32 / PE32+, system DLLs only
#   zip_in_wine_prefix.sh  the x86_64 zip unpacked and run under Wine in a fresh prefix
# Argument: the packages folder (default build/packages).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pkgs=$(cd "${1:-$here/../../build/packages}" && pwd)
version=$(sed -n 's/^project(boxfield_toolkit VERSION \([0-9.]*\).*/\1/p' "$here/../../CMakeLists.txt")
[ -n "$version" ] || { echo "no project version in CMakeLists.txt" >&2; exit 1; }
for test in consumer deb zip_pe zip_in_wine_prefix; do
  printf '\n-- package test %s\n' "$test"
  bash "$here/$test.sh" "$pkgs" "$version"
done
echo "package tests: all passed"
