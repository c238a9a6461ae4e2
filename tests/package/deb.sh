#!/usr/bin/env bash
# Both .deb packages as received:
#   boxfield                 programs, documentation, manual pages
#   libboxfield-toolkit-dev  headers, static libraries, CMake and pkg-config
# Their control fields (names, versions, the programs' dependencies computed
# from their shared libraries, the -dev package's dependencies on the -dev
# packages a consumer needs, no -dev package recommended by the programs),
# their file lists (each file in the right package, nothing outside /usr),
# the machine-readable copyright file, and lintian (no error, no warning,
# no override). Then, from roots the packages are extracted into:
#   the programs' package alone  programs run (a headless tour, a specimen
#                                sheet), the manual pages read, no libpng
#   both packages together       the consumer project builds on them
# Arguments: the packages folder and the version.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pkgs=${1:?packages folder}
version=${2:?version}
arch=$(dpkg --print-architecture)
deb="$pkgs/boxfield_${version}_$arch.deb"
dev="$pkgs/libboxfield-toolkit-dev_${version}_$arch.deb"
for f in "$deb" "$dev"; do [ -f "$f" ] || { echo "FAIL: no $f" >&2; exit 1; }; done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# has LIST NAME: the comma-separated dependency list names package NAME.
has() {
  [[ ", $1," == *", $2 "* || ", $1," == *", $2,"* || ", $1," == *"| $2,"* || ", $1," == *"| $2 "* ]]
}

# Exactly the two packages, nothing for components nobody named.
count=$(find "$pkgs" -maxdepth 1 -name '*.deb' | wc -l)
[ "$count" = 2 ] || fail "$count .deb packages in $pkgs, wanted 2: $(cd "$pkgs" && ls ./*.deb)"

# Control fields.
[ "$(dpkg-deb -f "$deb" Package)" = boxfield ] || fail "package name $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$dev" Package)" = libboxfield-toolkit-dev ] || fail "package name $(dpkg-deb -f "$dev" Package)"
for f in "$deb" "$dev"; do
  [ "$(dpkg-deb -f "$f" Version)" = "$version" ] || fail "$(basename "$f"): version $(dpkg-deb -f "$f" Version)"
  [ "$(dpkg-deb -f "$f" Source)" = boxfield-toolkit ] || fail "$(basename "$f"): source $(dpkg-deb -f "$f" Source)"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libsdl2-2.0-0 libegl1 libopengl0 libglu1-mesa libsqlite3-0 libpq5; do
  has "$depends" "$lib" || fail "boxfield Depends lacks $lib: $depends"
done
[[ "$depends" != *png* ]] || fail "boxfield depends on a PNG library: $depends"
others=$(dpkg-deb -f "$deb" Recommends Suggests)
[[ "$others" != *-dev* ]] || fail "boxfield recommends or suggests development packages: $others"
dev_depends=$(dpkg-deb -f "$dev" Depends)
for pkg in libsdl2-dev libgl-dev libglu1-mesa-dev libegl-dev; do
  has "$dev_depends" "$pkg" || fail "libboxfield-toolkit-dev Depends lacks $pkg: $dev_depends"
done
[ "$(dpkg-deb -f "$dev" Section)" = libdevel ] || fail "-dev section $(dpkg-deb -f "$dev" Section)"
echo "boxfield Depends: $depends"
echo "libboxfield-toolkit-dev Depends: $dev_depends"
# Both packages installed together need nothing this machine lacks
# (dpkg-checkbuilddeps reads a dependency list the way apt does).
printf 'Source: check\n\nPackage: check\nArchitecture: any\n' >"$work/control"
dpkg-checkbuilddeps -d "$depends, $dev_depends" "$work/control" 2>"$work/unmet" ||
  fail "dependencies not met here: $(cat "$work/unmet")"

# Contents. Libraries, the CMake package and .pc files sit in the multiarch
# folder, as Debian has them.
libdir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
list() {
  dpkg-deb -c "$1" | awk '{ print $6 }' | sed 's|^\./|/|'
}
list "$deb" >"$work/list"
list "$dev" >"$work/dev-list"
expect() {
  grep -qx "$2" "$work/$1" || fail "$1: missing $2"
}
programs="boxfield gallery boxfield_runner gallery_runner glyph_tool"
for program in $programs; do
  expect list "/usr/bin/$program"
  expect list "/usr/share/man/man1/$program.1.gz"
done
expect list /usr/share/doc/boxfield/README.md
expect list /usr/share/doc/boxfield/docs/boxfield_solid.png
expect list /usr/share/doc/boxfield/docs/gallery/sky.png
for header in shell/gl.h shell/window.h shell/platform_headless.h glyphs/builtin_font.h text/text_draw.h \
  font/font_registry.h geometry/boxes.h util/dyn_array.h; do
  expect dev-list "/usr/include/boxfield_toolkit/$header"
done
for backend in headless sdl; do
  expect dev-list "$libdir/libboxfield_toolkit_$backend.a"
  expect dev-list "$libdir/pkgconfig/boxfield_toolkit_$backend.pc"
  expect dev-list "$libdir/cmake/boxfield_toolkit/boxfield_toolkit-$backend-targets.cmake"
done
expect dev-list "$libdir"/cmake/boxfield_toolkit/boxfield_toolkit-config.cmake
expect dev-list "$libdir"/cmake/boxfield_toolkit/boxfield_toolkit-config-version.cmake
for pair in list:boxfield dev-list:libboxfield-toolkit-dev; do
  expect "${pair%%:*}" "/usr/share/doc/${pair#*:}/copyright"
  expect "${pair%%:*}" "/usr/share/doc/${pair#*:}/changelog.gz"
done
# Each file in its package: no development files among the programs, no
# programs or manual pages among the development files.
wrong=$(grep -E '^/usr/(include|lib)/.' "$work/list" || true)
[ -z "$wrong" ] || fail "development files in boxfield: $wrong"
wrong=$(grep -E '^/usr/(bin|share/man)/.' "$work/dev-list" || true)
[ -z "$wrong" ] || fail "programs or manual pages in libboxfield-toolkit-dev: $wrong"
strays=$(cat "$work/list" "$work/dev-list" | grep -v '^/usr/' | grep -v '^/$' || true)
[ -z "$strays" ] || fail "outside /usr: $strays"
# Headers of the toolkit's subsystems only: nothing from tests/, tools/ or
# the programs' folders.
leaks=$(grep '^/usr/include/' "$work/dev-list" | grep -vE '^/usr/include/(boxfield_toolkit/((shell|geometry|util|font|glyphs|text)/([a-z0-9_]+\.h)?)?)?$' || true)
[ -z "$leaks" ] || fail "not toolkit headers: $leaks"
grep -c '^/usr/include/.*\.h$' "$work/dev-list" | sed 's/^/headers: /'

# lintian: no error, no warning, on both, with no tag suppressed.
for f in "$deb" "$dev"; do
  lintian --fail-on error,warning "$f" >"$work/lintian" 2>&1 ||
    fail "lintian $(basename "$f"): $(grep -v 'running with root privileges' "$work/lintian" || true)"
  grep -v 'running with root privileges' "$work/lintian" || true
done
echo "lintian: no error, no warning on either package"

# The programs' package alone, extracted into an empty root: no system
# install, no build tree, no development package.
dpkg-deb -x "$deb" "$work/programs"
bin="$work/programs/usr/bin"
copyright="$work/programs/usr/share/doc/boxfield/copyright"
head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "copyright is not in the machine-readable format: $(head -1 "$copyright")"
grep -qx 'License: Zlib' "$copyright" || fail "copyright names no zlib licence"
# The licence paragraph (the last) holds LICENSE's text, indented, its blank
# lines written " .".
awk '/^License: Zlib$/ { n = NR } { line[NR] = $0 } END { for (i = n + 1; i <= NR; i++) print line[i] }' \
  "$copyright" >"$work/license-got"
sed 's/^$/./; s/^/ /' "$here/../../LICENSE" | diff - "$work/license-got" >"$work/license-diff" ||
  fail "copyright's licence text is not LICENSE's: $(head -5 "$work/license-diff")"
for program in $programs; do
  "$bin/$program" --version >"$work/version" 2>&1 || fail "$program --version: $(cat "$work/version")"
  grep -q "^$program $version\$" "$work/version" || fail "$program --version says $(head -1 "$work/version")"
  page="$work/programs/usr/share/man/man1/$program.1.gz"
  MANWIDTH=200 man -l "$page" >"$work/page" 2>"$work/man-errors" || fail "man $program: $(cat "$work/man-errors")"
  grep -qE "^ *$program +- " "$work/page" || fail "manual page of $program has no NAME line"
  grep -q -- '--help' "$work/page" || fail "manual page of $program lists no options"
done
bash "$here/../boxfield/boxfield_libraries.sh" "$bin/boxfield" || fail "the installed boxfield needs libpng"
runner="$bin/boxfield_runner"
(cd "$work" && "$runner" --tour short --size 320x180 --warmup 0 --runs 1 --out "$work/tour" >"$work/tour.log" 2>&1) ||
  fail "runner: $(tail -3 "$work/tour.log")"
for shot in solid wire wire_polygons solid_polygons; do
  [ -s "$work/tour/$shot.png" ] || fail "runner wrote no $shot.png"
done
grep -q '"median' "$work/tour/report.json" 2>/dev/null || fail "runner wrote no frame-time report"
"$bin/glyph_tool" specimen builtin "$work/specimen.png" --cell 6 --zoom 2 >"$work/glyph.log" 2>&1 ||
  fail "glyph_tool specimen: $(cat "$work/glyph.log")"
echo "programs' package alone: five programs run, five manual pages, no libpng"

# Both packages extracted into one root: the consumer project builds on it
# with find_package and pkg-config.
dpkg-deb -x "$deb" "$work/both"
dpkg-deb -x "$dev" "$work/both"
bash "$here/consumer.sh" "$pkgs" "$version" "$work/both/usr" || fail "consumer on both packages"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "deb: fields, contents, copyright, lintian, the programs alone and both packages together all good"
