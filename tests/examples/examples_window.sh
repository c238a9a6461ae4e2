#!/usr/bin/env bash
# The programs in examples/ as an outside project builds them: the build tree
# installed into an empty prefix (cmake --install), each example copied from
# where the prefix holds it (share/doc/libboxfield-toolkit-dev/examples/) and
# configured with find_package against that prefix only, built, run (the
# SDL ones in their own windows under Xvfb, the headless one without a
# display) and their pictures checked with ImageMagick: text where it was drawn, a glow around the bright parts of
# the scene, a sky that varies and turns with a mouse drag, a font that
# scales with the window, boxes and a caption in the headless PNG. The
# guide's first program (docs/using_the_toolkit.md) is compiled as well.
# Arguments: the build tree, the source tree (not read: everything comes
# from the installed prefix), and optionally a folder that receives the
# guide's pictures: docs/examples/ is made with
#   bash tests/examples/examples_window.sh build . docs/examples
set -uo pipefail
build=$(cd "${1:?build tree}" && pwd)
keep=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../shell/xvfb_session.sh"
require_tools cmake Xvfb xdotool convert compare identify

work=$session_work
shots=$work/shots
mkdir -p "$shots"

# --- install and build -------------------------------------------------------
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" ||
  { cat "$work/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }
# The guide beside the programs' README, the examples with the headers.
for file in docs/using_the_toolkit.md docs/examples/text_markup.png; do
  [ -f "$prefix/share/doc/boxfield/$file" ] || { echo "FAIL: $file not installed in share/doc/boxfield" >&2; exit 1; }
done
docs=$prefix/share/doc/libboxfield-toolkit-dev
examples=(text_markup glow_blur sky_box font_from_file headless_png)
for name in "${examples[@]}"; do
  [ -f "$docs/examples/$name/CMakeLists.txt" ] || { echo "FAIL: examples/$name not installed" >&2; exit 1; }
  cp -r "$docs/examples/$name" "$work/src-$name"
  cmake -S "$work/src-$name" -B "$work/build-$name" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" \
    >"$work/$name-cmake.log" 2>&1 ||
    { cat "$work/$name-cmake.log" >&2; echo "FAIL: $name: configuration" >&2; exit 1; }
  found=$(sed -n 's/^boxfield_toolkit_DIR:PATH=//p' "$work/build-$name/CMakeCache.txt")
  [[ "$found" == "$prefix/"* ]] || { echo "FAIL: $name: find_package took $found, not the prefix" >&2; exit 1; }
  cmake --build "$work/build-$name" -j2 >"$work/$name-build.log" 2>&1 ||
    { cat "$work/$name-build.log" >&2; echo "FAIL: $name: build" >&2; exit 1; }
  echo "$name: built against $found"
done

# The guide's first program, as the guide shows it: compiled and linked.
mkdir -p "$work/src-guide"
sed -n '/^```cpp$/,/^```$/p' "$prefix/share/doc/boxfield/docs/using_the_toolkit.md" | sed '1d;$d' >"$work/src-guide/hello.cpp"
cat >"$work/src-guide/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(hello LANGUAGES CXX)
find_package(boxfield_toolkit CONFIG REQUIRED COMPONENTS sdl)
add_executable(hello hello.cpp)
target_link_libraries(hello PRIVATE boxfield_toolkit::sdl)
CMAKE
if grep -q 'draw_text' "$work/src-guide/hello.cpp" &&
  cmake -S "$work/src-guide" -B "$work/build-guide" -DCMAKE_PREFIX_PATH="$prefix" >"$work/guide.log" 2>&1 &&
  cmake --build "$work/build-guide" >>"$work/guide.log" 2>&1; then
  echo "guide: its program compiles and links"
else
  cat "$work/guide.log" >&2
  fail "guide: the program in docs/using_the_toolkit.md does not build"
fi

# --- picture measures (ImageMagick) ----------------------------------------
# count FILE WxH+X+Y EXPR: pixels of the region for which the fx expression
# (channels r, g, b in 0..1) holds.
count() { convert "$1" -crop "$2" +repage -fx "$3" -format '%[fx:round(mean*w*h)]' info:; }
# at FILE X Y: the pixel's grey level 0..255.
at() { convert "$1" -format "%[fx:round(255*p{$2,$3}.intensity)]" info:; }
# check WHAT CONDITION: a failure named WHAT unless the arithmetic holds.
check() { (($2)) || fail "$1 ($2)"; }

# run NAME ARGS...: the example's program, at most 60 s; its status must be 0
# and its standard error empty (no toolkit message either).
run() {
  local name=$1
  shift
  local status=0
  timeout 60 "$work/build-$name/$name" "$@" >"$work/$name.out" 2>"$work/$name.err" || status=$?
  [ "$status" = 0 ] || fail "$name $*: exit status $status: $(head -c 300 "$work/$name.err")"
  [ -s "$work/$name.err" ] && fail "$name $*: wrote to standard error: $(head -c 300 "$work/$name.err")"
  return 0
}

# --- headless --------------------------------------------------------------
png=$shots/headless_png.png
run headless_png "$png" 320x200
if [ -f "$png" ]; then
  check "headless_png: size $(identify -format %wx%h "$png")" "$(identify -format '%w*1000+%h' "$png") == 320200"
  caption=$(count "$png" 110x20+6+6 'r>0.8&&g>0.8&&b>0.8')
  check "headless_png: white caption pixels top-left: $caption" "$caption > 40"
  coloured=$(count "$png" 320x110+0+50 'abs(r-b)>0.3||abs(r-g)>0.3||abs(g-b)>0.3')
  check "headless_png: coloured box pixels: $coloured" "$coloured > 1500"
else
  fail "headless_png: no picture"
fi
status=0
"$work/build-headless_png/headless_png" "$shots/x.png" 9x9 2>"$work/bad.err" || status=$?
check "headless_png: a bad size ends with status 2 (got $status)" "$status == 2 && $(wc -l <"$work/bad.err") == 1"

# --- SDL windows under Xvfb ------------------------------------------------
start_xvfb 1280 800

# Text: the 3-pixel font from y = 10, the 6-pixel font from y = 130.
png=$shots/text_markup.png
run text_markup --frames 3 --shot "$png"
small=$(count "$png" 640x70+0+5 'intensity>0.5')
large=$(count "$png" 640x120+0+125 'intensity>0.5')
below=$(count "$png" 640x40+0+260 'intensity>0.2')
check "text_markup: small text pixels $small" "$small > 300"
check "text_markup: large text has more than twice the small's pixels ($large, $small)" "$large > 2 * $small"
check "text_markup: nothing below the text ($below)" "$below == 0"
for band in 640x70+0+5 640x120+0+125; do
  red=$(count "$png" "$band" 'r>0.8&&g<0.45&&b<0.45')
  gold=$(count "$png" "$band" 'r>0.8&&g>0.65&&b<0.3')
  check "text_markup: red escape text in $band ($red)" "$red > 10"
  check "text_markup: gold markup-code text in $band ($gold)" "$gold > 10"
done

# Glow and blur: a white square spans x 72..167, y 112..207 of 480 x 320, a
# red one x 312..407; the grey level 6 pixels right of each square.
for effect in none glow blur; do
  run glow_blur --effect $effect --frames 3 --shot "$shots/glow_blur_$effect.png"
done
none_white=$(at "$shots/glow_blur_none.png" 174 160)
glow_white=$(at "$shots/glow_blur_glow.png" 174 160)
glow_red=$(at "$shots/glow_blur_glow.png" 414 160)
glow_far=$(at "$shots/glow_blur_glow.png" 240 40)
glow_inside=$(at "$shots/glow_blur_glow.png" 120 160)
check "glow_blur: no effect, dark beside the white square ($none_white)" "$none_white < 40"
check "glow_blur: glow beside the white square ($glow_white, without: $none_white)" "$glow_white > $none_white + 30"
check "glow_blur: glow beside white above that beside red ($glow_white, $glow_red)" "$glow_white > $glow_red + 20"
check "glow_blur: no glow far from the scene ($glow_far)" "$glow_far < 40"
check "glow_blur: the square stays white under its glow ($glow_inside)" "$glow_inside > 240"
blur_edge=$(at "$shots/glow_blur_blur.png" 168 160)
none_edge=$(at "$shots/glow_blur_none.png" 168 160)
blur_inside=$(at "$shots/glow_blur_blur.png" 120 160)
check "glow_blur: blur softens the square's edge ($blur_edge, sharp: $none_edge)" "$blur_edge > $none_edge + 20 && $blur_edge < 230"
check "glow_blur: blur keeps the square's middle bright ($blur_inside)" "$blur_inside > 200"

# Sky box: varied, and turned by a drag.
run sky_box --frames 3 --shot "$shots/sky_box.png"
run sky_box --move 150,0 --frames 3 --shot "$shots/sky_box_turned.png"
run sky_box --move 0,-150 --frames 3 --shot "$shots/sky_box_up.png"
spread=$(convert "$shots/sky_box.png" -colorspace gray -format '%[fx:round(1000*standard_deviation)]' info:)
check "sky_box: the sky varies (grey spread $spread/1000)" "$spread > 40"
top=$(convert "$shots/sky_box.png" -crop 480x40+0+0 +repage -format '%[fx:round(255*mean.b)]' info:)
bottom=$(convert "$shots/sky_box.png" -crop 480x40+0+280 +repage -format '%[fx:round(255*mean.b)]' info:)
check "sky_box: blue sky above, ground below ($top, $bottom)" "$top > $bottom + 60"
for turned in sky_box_turned sky_box_up; do
  moved=$(compare -metric AE -fuzz 6% "$shots/sky_box.png" "$shots/$turned.png" null: 2>&1 || true)
  check "sky_box: a drag changes the view ($turned: $moved of 153600 pixels differ)" "${moved%% *} > 30000"
done

# A font read from a file, at two window sizes: the text block scales with
# the height and stays centred.
"$prefix/bin/glyph_tool" export-builtin "$work/font.cells" >/dev/null || fail "glyph_tool export-builtin"
block() { convert "$1" -colorspace gray -threshold 60% -negate -format '%@' info:; }
run font_from_file "$work/font.cells" --size 480x270 --frames 3 --shot "$shots/font_from_file_small.png"
run font_from_file "$work/font.cells" --size 960x540 --frames 3 --shot "$shots/font_from_file.png"
small_block=$(block "$shots/font_from_file_small.png")
large_block=$(block "$shots/font_from_file.png")
IFS='x+' read -r sw sh sx sy <<<"$small_block"
IFS='x+' read -r lw lh lx ly <<<"$large_block"
check "font_from_file: text height doubles with the window ($small_block, $large_block)" \
  "$lh * 10 >= $sh * 18 && $lh * 10 <= $sh * 22 && $sh > 10"
check "font_from_file: text centred ($large_block in 960)" "${lx:-0} - (960 - ${lx:-0} - ${lw:-0}) < 4 && (960 - ${lx:-0} - ${lw:-0}) - ${lx:-0} < 4"
head -c 5 "$work/font.cells" >"$work/cut.cells"
status=0
timeout 60 "$work/build-font_from_file/font_from_file" "$work/cut.cells" --frames 1 2>"$work/cut.err" || status=$?
check "font_from_file: a cut font file ends with status 1 and one line ($status: $(cat "$work/cut.err"))" \
  "$status == 1 && $(wc -l <"$work/cut.err") == 1"

# The pictures the guide shows (docs/examples/), one per example.
if [ -n "$keep" ]; then
  mkdir -p "$keep"
  for pair in text_markup:text_markup glow_blur_glow:glow_blur glow_blur_blur:glow_blur_blur sky_box:sky_box \
    font_from_file_small:font_from_file headless_png:headless_png; do
    cp "$shots/${pair%%:*}.png" "$keep/${pair#*:}.png" || fail "no picture ${pair%%:*}.png"
  done
fi
finish_cases examples
