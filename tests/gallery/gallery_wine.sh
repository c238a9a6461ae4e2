#!/usr/bin/env bash
# The x86_64 Windows build of the toolkit gallery (native Win32 backend)
# under Wine in Xvfb, used as a person would with xdotool: a popup covering
# the display opens on the sky page, every page key turns the page as on
# Linux, the pages drawn differ, and Escape and Q end it with status 0 and no
# error log. Screenshots stay in <MinGW build>/window-shots/gallery/.
# Arguments: the MinGW x86_64 build tree, the source tree.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../shell/xvfb_session.sh"
windows_tree "${1:?MinGW build tree}"
require_tools Xvfb xdotool xwininfo wine import compare
window_name='^Toolkit gallery$'
keep_shots "$build/window-shots/gallery"
enter_run_dir
start_seconds=90  # Wine's first start in a prefix is slow
end_seconds=30
start_xvfb 1024 640
use_wine "$build/gallery/gallery.exe" "$build"

source "$here/gallery_checks.sh"
settle_seconds=3

run_case "page tour, then Escape" tour
expect_quit "page tour"
expect_pages_differ
run_case "Q" press_q
expect_quit "Q"
finish_cases "gallery (Win32) under Wine"
