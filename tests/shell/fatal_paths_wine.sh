#!/usr/bin/env bash
# The x86_64 Windows builds of the box-field program, the gallery and
# window_demo under Wine on an X server without OpenGL (Xvfb -extension
# GLX): window creation fails, the program shows the "Oh sod it" box
# (answered here with Return), appends one line to graphics_error.log and
# ends with status 1, never 0.
# Arguments: the MinGW x86_64 build tree, the source tree.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/xvfb_session.sh"
windows_tree "${1:?MinGW build tree}"
require_tools Xvfb xdotool wine
enter_run_dir
xvfb_options=(-extension GLX)
start_xvfb 800 600
use_wine "$build/boxfield/boxfield.exe" "$build"

for exe in boxfield/boxfield.exe gallery/gallery.exe tools/window_demo.exe; do
  [ -f "$build/$exe" ] || { echo "skipped: missing $build/$exe"; exit 77; }
  name=$(basename "$exe")
  rm -f graphics_error.log
  wine "$build/$exe" >"$out" 2>"$err" &
  app_pid=$!
  answered=0
  for _ in $(seq 1200); do
    kill -0 "$app_pid" 2>/dev/null || break
    for box in $(xdotool search --name '^Oh sod it$' 2>/dev/null || true); do
      xdotool key --window "$box" Return 2>/dev/null || true
      answered=1
    done
    sleep 0.1
  done
  wait_app 10
  [ "$app_status" = 1 ] || fail "$name: exit status $app_status, wanted 1"
  [ "$answered" = 1 ] || fail "$name: no \"Oh sod it\" box appeared"
  if [ "$(wc -l <graphics_error.log 2>/dev/null || echo 0)" != 1 ] ||
    ! grep -Eq "^[0-9]{4}-[A-Za-z]+-[0-9]{2} [0-9:]{8} Can't " graphics_error.log; then
    fail "$name: log: $(cat graphics_error.log 2>/dev/null || echo none)"
  fi
  echo "$name: exit status $app_status, log: $(tr -d '\r' <graphics_error.log 2>/dev/null)"
done
finish_cases "fatal paths (Win32) under Wine"
