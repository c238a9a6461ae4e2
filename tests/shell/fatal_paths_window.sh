#!/usr/bin/env bash
# The SDL2 builds of the box-field program, the gallery and window_demo where
# they cannot run: an X display nobody serves, no display at all, and an X
# server without OpenGL (Xvfb -extension GLX). Each must take the fatal path:
# the message on standard error, a line in graphics_error.log, exit status 1
# (never 0), and for the server without OpenGL a hint that names the display.
# Arguments: the native build tree, the source tree.
set -euo pipefail
build=$(cd "${1:?build tree}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/xvfb_session.sh"
require_tools Xvfb xdotool
programs=("$build/boxfield/boxfield" "$build/gallery/gallery" "$build/tools/window_demo")
for file in "${programs[@]}"; do
  [ -x "$file" ] || { echo "missing $file: build the native tree first" >&2; exit 1; }
done
enter_run_dir

# run_fatal NAME PATTERN COMMAND...: runs the command (at most 60 s; a
# message box that appears is answered with Return), then expects status 1,
# "Oh sod it: " and the message (a grep -E pattern) on standard error, and
# one log line with the message.
run_fatal() {
  local name=$1 pattern=$2
  shift 2
  rm -f graphics_error.log
  "$@" >"$out" 2>"$err" &
  app_pid=$!
  local _ box
  for _ in $(seq 600); do
    kill -0 "$app_pid" 2>/dev/null || break
    if [ -n "${DISPLAY:-}" ]; then
      for box in $(xdotool search --name '^Oh sod it$' 2>/dev/null || true); do
        xdotool key --window "$box" Return 2>/dev/null || true
      done
    fi
    sleep 0.1
  done
  wait_app 1
  [ "$app_status" = 1 ] || fail "$name: exit status $app_status, wanted 1 ($(tr '\n' '|' <"$err"))"
  grep -Eq "^Oh sod it: $pattern" "$err" || fail "$name: no message /$pattern/ in: $(cat "$err")"
  if [ "$(wc -l <graphics_error.log 2>/dev/null || echo 0)" != 1 ] ||
    ! grep -Eq "^[0-9]{4}-[A-Za-z]+-[0-9]{2} [0-9:]{8} $pattern" graphics_error.log; then
    fail "$name: log: $(cat graphics_error.log 2>/dev/null || echo none)"
  fi
  echo "$name: exit status $app_status"
}

# A display number no X server serves.
unused=""
for n in $(seq 90 199); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    unused=$n
    break
  fi
done
[ -n "$unused" ] || { echo "no free display number" >&2; exit 1; }

for exe in "${programs[@]}"; do
  name=$(basename "$exe")
  run_fatal "$name, display :$unused not served" "Can't open the X display \":$unused\": " \
    env -u WAYLAND_DISPLAY DISPLAY=":$unused" "$exe"
  run_fatal "$name, no display variable" "Can't open a display: neither DISPLAY nor WAYLAND_DISPLAY is set" \
    env -u WAYLAND_DISPLAY -u DISPLAY "$exe"
done
# The benchmark mode's fatal path says only what failed: its window was
# never closed.
run_fatal "boxfield --benchmark, no display variable" ".+" \
  env -u WAYLAND_DISPLAY -u DISPLAY "${programs[0]}" --windowed 640x360 --benchmark short --report fatal.json
if grep -q "window was closed" "$err"; then fail "boxfield --benchmark, no display: $(cat "$err")"; fi

# The server answers but offers no OpenGL visual.
xvfb_options=(-extension GLX)
start_xvfb 800 600
for exe in "${programs[@]}"; do
  name=$(basename "$exe")
  run_fatal "$name, X server without GLX" "Can't Find A Suitable PixelFormat\\.$" "$exe"
  grep -q "^hint: the X display \"$DISPLAY\" offers no OpenGL visual" "$err" ||
    fail "$name, X server without GLX: no hint in: $(cat "$err")"
done
finish_cases "fatal paths (SDL2)"
