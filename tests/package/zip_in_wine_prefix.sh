#!/usr/bin/env bash
# The x86_64 zip as a Windows user receives it: unpacked into an empty folder
# and run from there under Wine with a fresh Wine prefix (no build tree, no
# WINEPATH). The box-field program opens its full-display window and ends
# with status 0 on Q, writing no error log, and runs its benchmark mode in a
# window; glyph_tool draws the built-in
# font's specimen sheet as the README's picture. Further cases go in the "cases"
# section: each runs a program of the unpacked folder ($dir) with the
# helpers of tests/shell/xvfb_session.sh and tests/boxfield/boxfield_checks.sh.
# Arguments: the packages folder and the version.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pkgs=${1:?packages folder}
version=${2:?version}
zip="$pkgs/boxfield_toolkit-$version-win64.zip"
[ -f "$zip" ] || { echo "FAIL: no $zip" >&2; exit 1; }
source "$here/../shell/xvfb_session.sh"
require_tools Xvfb xdotool xwininfo wine unzip compare
unset WINEPATH
export WINEPREFIX="$session_work/wineprefix"
unzip -q "$zip" -d "$session_work/unpacked"
dir="$session_work/unpacked/boxfield_toolkit-$version-win64"
run_dir=$dir
cd "$dir"
shots="$session_work/shots"
closer=""
source "$here/../boxfield/boxfield_checks.sh"
settle_seconds=4

window_name='^OpenGL test \[Orvandel 2009\]$'
start_seconds=90  # Wine's first start in a prefix is slow
end_seconds=30
start_xvfb 800 600
use_wine "$dir/boxfield.exe" "$session_work"

# ---------------------------------------------------------------------------
# Cases

run_case "boxfield: Q" tap_after_start q
expect_no_error_log "boxfield: Q"

# The benchmark mode from the unpacked folder: a 640x360 window, the short
# tour, and the report, CSV rows and frame-time picture in the working folder.
source "$here/../boxfield/bench_checks.sh"
end_seconds=300
bench_window_case 640 360 --windowed 640x360 --benchmark short --results-file frames.csv --warmup 0 --runs 1
check_bench_report boxfield-report.json frames.csv frametimes.png 640 360 Win32 "Windows .*Wine"

# glyph_tool.exe writes PNG through the same stb code: its specimen sheet of the
# built-in font must match, pixel for pixel, the README's picture that the
# native tool made with the same options.
reference="$here/../../docs/builtin_font.png"
if wine "$dir/glyph_tool.exe" specimen builtin specimen.png --cell 6 --zoom 2 >"$session_work/glyph_tool.log" 2>&1; then
  differing=$(compare -metric AE specimen.png "$reference" null: 2>&1 || true)
  [ "$differing" = 0 ] || fail "glyph_tool specimen: $differing pixels differ from docs/builtin_font.png"
  echo "glyph_tool: specimen.png as docs/builtin_font.png"
else
  fail "glyph_tool specimen: $(tr -d '\r' <"$session_work/glyph_tool.log")"
fi

finish_cases "x86_64 zip under Wine"
