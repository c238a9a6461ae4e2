#!/usr/bin/env bash
# The x86_64 Windows build of window_demo (native Win32 backend) under Wine
# in Xvfb: a popup covering the whole display, real key presses arriving as
# virtual-key codes, and status 0 on Escape, on Q, on a window-manager close
# request (WM_DELETE_WINDOW, which Wine turns into WM_CLOSE) and on Alt+F4
# (WM_SYSKEYDOWN left to DefWindowProcA, which closes the window).
# Arguments: the MinGW x86_64 build tree, the source tree, and optionally the
# native build tree (for x11_close_window; without it that case is skipped).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/xvfb_session.sh"
windows_tree "${1:?MinGW build tree}"
require_tools Xvfb xdotool xwininfo wine
native_closer "${3:-}"
window_name='^Window demo$'
start_seconds=60  # Wine's first start in a prefix is slow
start_xvfb 1152 864
use_wine "$build/tools/window_demo.exe" "$build"

close_window() { "$closer" "$window_id"; }
# Real short taps: each arrives as one press, however slow the frames.
keys_then_escape() {
  tap a 1 F1 Left space Escape
}

run_case "Escape" press_to_end Escape
grep -q '^quit$' "$out" || fail "Escape: the demo did not leave its loop"
grep -q "^window ${screen_w}x${screen_h}\$" "$out" || fail "Escape: the shell saw $(head -1 "$out")"
run_case "Q" tap q
if [ -n "$closer" ]; then
  run_case "close request" close_window
  if grep -q '^quit$' "$out"; then fail "close request: the demo left its loop instead of closing"; fi
else
  echo "close request: skipped (no native x11_close_window)"
fi
run_case "Alt+F4" press_to_end alt+F4
if grep -q '^quit$' "$out"; then fail "Alt+F4: the demo left its loop instead of closing"; fi
run_case "keys" keys_then_escape
for code in 0x41 0x31 0x70 0x25 0x20 0x1B; do
  grep -q "^key $code\$" "$out" || fail "keys: no key $code in: $(tr '\n' ' ' <"$out")"
done
finish_cases "window_demo (Win32) under Wine"
