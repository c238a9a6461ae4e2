#!/usr/bin/env bash
# The x86_64 Windows build's benchmark mode under Wine in Xvfb: `--windowed
# 640x360 --benchmark short` shows a 640x360 client area on the 800x600
# screen (no display-mode switch), flies the tour, exits 0 and leaves the
# report, the CSV rows and frametimes.png; bad options are refused with one
# line and status 2, and --help and --version answer on the
# console Wine gives the program. Arguments: the MinGW x86_64 build tree,
# the source tree.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../shell/xvfb_session.sh"
windows_tree "${1:?MinGW build tree}"
require_tools Xvfb xdotool xwininfo xdpyinfo identify wine
window_name='^OpenGL test \[Orvandel 2009\]$'
enter_run_dir
start_xvfb 800 600
use_wine "$build/boxfield/boxfield.exe" "$build"
source "$here/bench_checks.sh"

expect_refusal "unknown option" '^boxfield: unknown option --fullscreen' --fullscreen
expect_refusal "bad size" "^boxfield: --windowed wants WxH, each from 64 to 8192 \(got '640'\)" --windowed 640
expect_refusal "stray argument" "^boxfield: unexpected argument 'bench'" bench
expect_informed "--version" '^boxfield [0-9]+\.[0-9]+\.[0-9]+$' --version
expect_informed "--help" '^  --benchmark \[TOUR\]' --help

start_seconds=90  # Wine's first start in a prefix is slow
end_seconds=300
bench_window_case 640 360 --windowed 640x360 --benchmark short --results-file frames.csv --warmup 0 --runs 1
check_bench_report boxfield-report.json frames.csv frametimes.png 640 360 Win32 "Windows .*Wine"
finish_cases "boxfield benchmark mode (Win32) under Wine"
