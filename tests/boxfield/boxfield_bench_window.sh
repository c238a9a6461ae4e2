#!/usr/bin/env bash
# The SDL2 build's benchmark mode in a real X server (Xvfb): `--windowed
# 640x360 --benchmark short` shows a 640x360 window on the 800x600 screen
# (no display-mode switch), flies the tour, exits 0 and leaves a report with
# timed frames of both modes, a CSV row per timed frame and frametimes.png;
# closing the window during a run ends it with status 1 and a line saying so;
# bad options are refused with one line and status 2, before any
# window is opened. Arguments: the native build tree, the source tree.
set -euo pipefail
build=$(cd "${1:?build tree}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../shell/xvfb_session.sh"
require_tools Xvfb xdotool xwininfo xdpyinfo identify
[ -x "$build/boxfield/boxfield" ] || { echo "missing $build/boxfield/boxfield: build the native tree first" >&2; exit 1; }

program=("$build/boxfield/boxfield")
window_name='^OpenGL test \[Orvandel 2009\]$'
enter_run_dir
source "$here/bench_checks.sh"

expect_refusal "unknown option" '^boxfield: unknown option --fullscreen' --fullscreen
expect_refusal "bad size" "^boxfield: --windowed wants WxH, each from 64 to 8192 \(got '640'\)" --windowed 640
expect_refusal "missing value" '^boxfield: --report needs a value' --benchmark --report
expect_refusal "stray argument" "^boxfield: unexpected argument 'bench'" bench
expect_refusal "unknown tour" "^boxfield: --benchmark: no tour 'fast'" --benchmark fast
expect_refusal "frame end" "^boxfield: --frame-end wants swap, finish, readpixels or none \(got 'flip'\)" \
  --benchmark --frame-end flip
expect_refusal "benchmark option alone" '^boxfield: --results-file needs --benchmark' --results-file x.csv
expect_informed "--version" '^boxfield [0-9]+\.[0-9]+\.[0-9]+$' --version
expect_informed "--help" '^  --benchmark \[TOUR\]' --help

start_seconds=30
end_seconds=240
start_xvfb 800 600
bench_window_case 640 360 --windowed 640x360 --benchmark short --results-file frames.csv --warmup 1 --runs 2
check_bench_report boxfield-report.json frames.csv frametimes.png 640 360 "SDL x11" Linux
grep -q '^GL errors: solid 0, wire 0 ' "$out" || fail "summary: no GL error line"

# Closing the window cuts the run short: a failure, said in one line.
native_closer "$build"
program=("$build/boxfield/boxfield" --windowed 640x360 --benchmark bench --report closed.json)
if [ -z "$closer" ]; then
  fail "closed benchmark: no $build/tools/x11_close_window"
elif start_app "$start_seconds"; then
  sleep 2
  "$closer" "$window_id"
  wait_app 60
  [ "$app_status" = 1 ] || fail "closed benchmark: exit status $app_status, wanted 1"
  grep -q '^boxfield: the benchmark was stopped: its window was closed$' "$err" ||
    fail "closed benchmark: no line saying so: $(cat "$err")"
  echo "closed benchmark: exit status $app_status"
else
  fail "closed benchmark: no window appeared"
  wait_app 1
fi
finish_cases "boxfield benchmark mode (SDL2) under Xvfb"
