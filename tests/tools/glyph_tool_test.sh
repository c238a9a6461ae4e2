#!/usr/bin/env bash
# glyph_tool from the command line: help, export, both converters, a specimen
# sheet, and one clear line with a non-zero status for every failure (missing
# input, unwritable output, malformed glyph file, option out of range).
# Argument: the glyph_tool executable.
set -uo pipefail
tool=${1:?glyph_tool path}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
passes=0
check() {  # description, then a command that must succeed
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
    passes=$((passes + 1))
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}
# Runs the tool expecting status 1 (2 for a mistake on the command line,
# which also points at --help) and exactly one line on stderr that contains
# the given text.
refuses_with() {
  local want=$1 text=$2
  shift 2
  local err status
  err=$("$tool" "$@" 2>&1 >/dev/null)
  status=$?
  [ "$status" -eq "$want" ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] && [[ "$err" == *"$text"* ]] ||
    { echo "  status $status, stderr: $err"; return 1; }
  [ "$want" = 1 ] || [[ "$err" == *" (try 'glyph_tool --help')" ]] || { echo "  no pointer to --help: $err"; return 1; }
}
refuses() { refuses_with 1 "$@"; }
usage_error() { refuses_with 2 "$@"; }

check "--help prints the usage" bash -c "'$tool' --help | grep -q 'Usage: glyph_tool'"
check "export-builtin writes 972 bytes" bash -c "'$tool' export-builtin '$dir/font.cells' && [ \$(stat -c %s '$dir/font.cells') -eq 972 ]"
# 128 glyphs at 6-pixel cells: the tile converter's output.
check "convert" "$tool" convert "$dir/font.cells" "$dir/font.glyphs" --cell 6
check "render (direct sampling) gives the same size" bash -c \
  "'$tool' render '$dir/font.cells' '$dir/direct.glyphs' --cell 6 && [ \$(stat -c %s '$dir/font.glyphs') -eq \$(stat -c %s '$dir/direct.glyphs') ]"
check "the two converters differ in pixels" bash -c "! cmp -s '$dir/font.glyphs' '$dir/direct.glyphs'"
check "style options are accepted" "$tool" convert "$dir/font.cells" "$dir/styled.glyphs" --cell 5x7 --stroke 0.15,0.25 --curve 0.3 --dot 1.5 --samples 4
check "specimen writes a PNG" bash -c \
  "'$tool' specimen '$dir/font.cells' '$dir/sheet.png' --zoom 2 --grid && [ \"\$(head -c 8 '$dir/sheet.png' | od -An -tx1 | tr -d ' ')\" = 89504e470d0a1a0a ]"
check "specimen of the built-in font by name" "$tool" specimen builtin "$dir/builtin.png" --codes 32-127 --direct

check "missing input" refuses "cannot open" convert "$dir/none.cells" "$dir/out.glyphs"
check "missing input leaves no output" test ! -e "$dir/out.glyphs"
# A file where the output's folder should be; a missing folder is made.
check "unwritable output" refuses "cannot write" convert "$dir/font.cells" "$dir/font.cells/out.glyphs"
check "unwritable specimen" refuses "cannot write" specimen builtin "$dir/font.cells/sheet.png"
check "output folder made" "$tool" convert "$dir/font.cells" "$dir/made/for/it/out.glyphs"
head -c 970 "$dir/font.cells" >"$dir/truncated.cells"
check "truncated file" refuses "entry 127" render "$dir/truncated.cells" "$dir/out.glyphs"
printf '\001\001\100' >"$dir/badcode.cells"
check "cell code of 64" refuses "64 or more" convert "$dir/badcode.cells" "$dir/out.glyphs"
printf '\052\001' >"$dir/wide.cells"
head -c 42 /dev/zero >>"$dir/wide.cells"
check "glyph too wide at 7-pixel cells" refuses "wider or taller" convert "$dir/wide.cells" "$dir/out.glyphs" --cell 7
check "curve of 1" usage_error "below 1" convert "$dir/font.cells" "$dir/out.glyphs" --curve 1
check "cell size 0" usage_error "1 to 255" convert "$dir/font.cells" "$dir/out.glyphs" --cell 0
check "absurd samples" usage_error "0 to 46340" convert "$dir/font.cells" "$dir/out.glyphs" --samples 100000
check "unknown command" usage_error "unknown command" frobnicate
check "no command" usage_error "no command given"
check "--cell=7 and a negative stroke are values" "$tool" convert "$dir/font.cells" "$dir/styled.glyphs" --cell=7 --stroke -0.05
check "an option as a value" usage_error "--cell needs a value, not the option '--grid'" specimen builtin x.png --cell --grid
check "--version names the version" bash -c "'$tool' --version | grep -Eq '^glyph_tool [0-9]+\.[0-9]+\.[0-9]+\$'"
check "an extra argument is named" usage_error "export-builtin: unexpected argument 'b.cells'" export-builtin "$dir/a.cells" b.cells
check "the extra argument writes nothing" test ! -e "$dir/a.cells"
check "a missing argument is named" usage_error "specimen needs IN and OUT.png" specimen builtin
check "a glyph bitmap file given as cell glyphs" refuses "looks like a glyph bitmap file" specimen "$dir/font.glyphs" "$dir/x.png"
check "the same for convert" refuses "looks like a glyph bitmap file" convert "$dir/direct.glyphs" "$dir/x.glyphs"
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
