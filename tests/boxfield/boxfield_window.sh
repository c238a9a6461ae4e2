#!/usr/bin/env bash
# The SDL2 build of the box-field program in a real X server (Xvfb, no
# window manager), used as a person would with xdotool: it starts full-screen
# in solid mode (white background), holding W flies forward and moving the
# mouse turns the view (the picture changes), M switches to wire mode (black
# background), holding E draws polygons as lines (more edges show), and
# Escape, Q and a close request end it with status 0 and no error log.
# Screenshots of the display stay in <build>/window-shots/boxfield/.
# Arguments: the native build tree, the source tree.
set -euo pipefail
build=$(cd "${1:?build tree}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../shell/xvfb_session.sh"
require_tools Xvfb xdotool xwininfo import convert compare
closer="$build/tools/x11_close_window"
for file in "$build/boxfield/boxfield" "$closer"; do
  [ -x "$file" ] || { echo "missing $file: build the native tree first" >&2; exit 1; }
done

program=("$build/boxfield/boxfield")
window_name='^OpenGL test \[Orvandel 2009\]$'
keep_shots "$build/window-shots/boxfield"
enter_run_dir
start_seconds=30
end_seconds=20
start_xvfb 800 600

source "$here/boxfield_checks.sh"

run_case "flight, then Escape" flight
expect_no_error_log "flight"
run_case "Q" tap_after_start q
expect_no_error_log "Q"
run_case "close request" close_after_start
expect_no_error_log "close request"
finish_cases "boxfield (SDL2) under Xvfb"
