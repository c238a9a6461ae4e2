#!/usr/bin/env bash
# The SDL2 build of window_demo in a real X server (Xvfb, no window manager):
# it must open a borderless window covering the whole display, map real key
# presses to virtual-key codes, and end with status 0 on Escape, on Q and on
# a window-manager close request (WM_DELETE_WINDOW); short taps count.
# Arguments: the native build tree, the source tree.
set -euo pipefail
build=${1:?build tree}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/xvfb_session.sh"
require_tools Xvfb xdotool xwininfo
closer="$build/tools/x11_close_window"
for file in "$build/tools/window_demo" "$closer"; do
  [ -x "$file" ] || { echo "missing $file: build the native tree first" >&2; exit 1; }
done

program=("$build/tools/window_demo")
window_name='^Window demo$'
# A display size unlike SDL's defaults, so a window of the display's size
# cannot pass by chance.
start_xvfb 1152 864

close_window() { "$closer" "$window_id"; }
# Real short taps: each arrives as one press, however slow the frames.
keys_then_escape() {
  tap a 1 F1 Left Down space Return Escape
}

run_case "Escape" press_to_end Escape
grep -q '^quit$' "$out" || fail "Escape: the demo did not leave its loop"
grep -q "^window ${screen_w}x${screen_h}\$" "$out" || fail "Escape: the shell saw $(head -1 "$out")"
run_case "Q" tap q
run_case "close request" close_window
# A close ends the process inside the pump (close_gl_window), not by leaving
# the loop.
if grep -q '^quit$' "$out"; then fail "close request: the demo left its loop instead of closing"; fi
run_case "keys" keys_then_escape
for code in 0x41 0x31 0x70 0x25 0x28 0x20 0x0D 0x1B; do
  grep -q "^key $code\$" "$out" || fail "keys: no key $code in: $(tr '\n' ' ' <"$out")"
done
finish_cases "window_demo (SDL2) under Xvfb"
