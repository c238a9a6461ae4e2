#!/usr/bin/env bash
# The x86_64 Windows build of the box-field program (native Win32 backend)
# under Wine in Xvfb, used as a person would with xdotool: a popup covering
# the display in solid mode (white background), W and the mouse change the
# view, M switches to wire mode (black), holding E draws polygons as lines,
# and Escape, Q and a close request end it with status 0 and no error log.
# Screenshots of the display stay in <MinGW build>/window-shots/boxfield/.
# Arguments: the MinGW x86_64 build tree, the source tree, and optionally the
# native build tree (for x11_close_window; without it that case is skipped).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../shell/xvfb_session.sh"
windows_tree "${1:?MinGW build tree}"
require_tools Xvfb xdotool xwininfo wine import convert compare
native_closer "${3:-}"
window_name='^OpenGL test \[Orvandel 2009\]$'
keep_shots "$build/window-shots/boxfield"
enter_run_dir
start_seconds=90  # Wine's first start in a prefix is slow
end_seconds=30
start_xvfb 800 600
use_wine "$build/boxfield/boxfield.exe" "$build"

source "$here/boxfield_checks.sh"
settle_seconds=4

run_case "flight, then Escape" flight
expect_no_error_log "flight"
run_case "Q" tap_after_start q
expect_no_error_log "Q"
if [ -n "$closer" ]; then
  run_case "close request" close_after_start
  expect_no_error_log "close request"
else
  echo "close request: skipped (no native x11_close_window)"
fi
finish_cases "boxfield (Win32) under Wine"
