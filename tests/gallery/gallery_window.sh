#!/usr/bin/env bash
# The SDL2 build of the toolkit gallery in a real X server (Xvfb, no window
# manager), used as a person would with xdotool: a window covering the
# display opens on the sky page; Space, Right and Page Down go on, Left, Page
# Up and Backspace go back (wrapping round), digits, Home and End jump; the
# pages drawn differ; Escape and Q end it with status 0 and no error log.
# Screenshots of the display stay in <build>/window-shots/gallery/.
# Arguments: the native build tree, the source tree.
set -euo pipefail
build=$(cd "${1:?build tree}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../shell/xvfb_session.sh"
require_tools Xvfb xdotool xwininfo import compare
exe="$build/gallery/gallery"
[ -x "$exe" ] || { echo "missing $exe: build the native tree first" >&2; exit 1; }

program=("$exe")
window_name='^Toolkit gallery$'
keep_shots "$build/window-shots/gallery"
enter_run_dir
start_seconds=60
end_seconds=20
start_xvfb 1024 640

source "$here/gallery_checks.sh"

run_case "page tour, then Escape" tour
expect_quit "page tour"
expect_pages_differ
run_case "Q" press_q
expect_quit "Q"
finish_cases "gallery (SDL2) under Xvfb"
