# Shared by the window tests (sourced, not run): an Xvfb server on a free
# display, a program started in it, its window found and measured, real
# input sent with xdotool, and its exit status collected, all with bounded
# waits. Callers set `program` (a command array), `window_name` (a regular
# expression for xdotool search) and `out` / `err` files, then call
# run_case NAME ACTION... for each case and finish with finish_cases.
# The program's output goes to `out` and `err` (set here; callers may move
# them).

session_work=$(mktemp -d)
xvfb_pid=""
app_pid=""
failures=0
out="$session_work/out"
err="$session_work/err"

session_cleanup() {
  if [ -n "$app_pid" ]; then kill -9 "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$session_work"
}
trap session_cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

require_tools() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run tools/setup.sh" >&2; exit 1; }
  done
}

# enter_run_dir: makes an empty working directory for the program (a fatal
# error leaves graphics_error.log there), sets run_dir and goes into it.
enter_run_dir() {
  run_dir="$session_work/run"
  mkdir -p "$run_dir"
  cd "$run_dir"
}

# keep_shots DIR: an emptied folder for the screenshots of this run; sets
# shots.
keep_shots() {
  shots=$1
  rm -rf "$shots"
  mkdir -p "$shots"
}

# native_closer TREE: sets closer to x11_close_window of the native build
# TREE, or to "" when TREE is empty or has none.
native_closer() {
  closer=""
  if [ -n "${1:-}" ] && [ -x "$1/tools/x11_close_window" ]; then closer="$(cd "$1" && pwd)/tools/x11_close_window"; fi
}

# windows_tree DIR: sets build to the MinGW build tree DIR, or ends the test
# as skipped (status 77, CTest's SKIP_RETURN_CODE for these tests) when that
# tree or its program has not been built: the Windows build is made by its
# own preset, not by the native one.
windows_tree() {
  if [ ! -d "$1" ]; then
    echo "skipped: no Windows build tree $1 (make it with: cmake --preset windows-x64 && cmake --build --preset windows-x64)"
    exit 77
  fi
  build=$(cd "$1" && pwd)
}

# use_wine EXE BUILD: the program becomes EXE under Wine, with its prefix in
# BUILD (unless WINEPREFIX is set). Call after start_xvfb: a fresh prefix is
# prepared once, outside the timed cases, and Wine is stopped at the end.
use_wine() {
  if [ ! -f "$1" ]; then
    echo "skipped: missing $1 (build it with: cmake --build --preset windows-x64)"
    exit 77
  fi
  export WINEDEBUG=-all
  export WINEPREFIX=${WINEPREFIX:-$2/wineprefix}
  program=(wine "$1")
  timeout 300 wineboot -i >/dev/null 2>&1 || true
  trap 'timeout 30 wineserver -k >/dev/null 2>&1 || true; session_cleanup' EXIT
}

# start_xvfb WIDTH HEIGHT: Xvfb on a free display number; exports DISPLAY,
# screen_w and screen_h. The server picks the number itself (-displayfd), so
# window tests started at the same moment never share a display.
start_xvfb() {
  screen_w=$1
  screen_h=$2
  local number_file="$session_work/display" _ n=""
  # -noreset: without it the server resets whenever its last client leaves
  # (between two cases), and a program connecting during the reset loses its
  # window and ends at once.
  # xvfb_options: extra server options a caller may set (-extension GLX).
  Xvfb -displayfd 3 -screen 0 "${screen_w}x${screen_h}x24" -nolisten tcp -noreset ${xvfb_options[@]+"${xvfb_options[@]}"} \
    3>"$number_file" >"$session_work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    n=$(head -n 1 "$number_file" 2>/dev/null || true)
    if [ -n "$n" ]; then
      export DISPLAY=":$n"
      xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
    fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "could not start Xvfb: $(cat "$session_work/xvfb.log")" >&2
  exit 1
}

# start_app SECONDS: runs "${program[@]}" and waits up to SECONDS for a
# viewable window matching window_name; sets window_id. Fails when none.
start_app() {
  local limit=$(($1 * 10))
  : >"$out"
  : >"$err"
  "${program[@]}" >"$out" 2>"$err" &
  app_pid=$!
  window_id=""
  local _ id
  for _ in $(seq "$limit"); do
    for id in $(xdotool search --name "$window_name" 2>/dev/null || true); do
      if xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable'; then
        window_id=$id
        return 0
      fi
    done
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  return 1
}

# wait_app SECONDS: waits for the program to end and sets app_status, or
# kills it after SECONDS and sets app_status to "timeout".
wait_app() {
  local limit=$(($1 * 10))
  app_status=timeout
  local _
  for _ in $(seq "$limit"); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
      app_status=0
      wait "$app_pid" || app_status=$?
      app_pid=""
      return 0
    fi
    sleep 0.1
  done
  kill -9 "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}

# run_case NAME ACTION...: starts the program, checks that its window covers
# the display from the origin, runs the action, expects exit status 0.
run_case() {
  local name=$1
  shift
  if ! start_app "${start_seconds:-10}"; then
    fail "$name: no window appeared"
    cat "$err" >&2
    wait_app 1
    return
  fi
  local info x y w h
  info=$(xwininfo -id "$window_id")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/.*Width: *//p' <<<"$info")
  h=$(sed -n 's/.*Height: *//p' <<<"$info")
  if [ "$x,$y,$w,$h" != "0,0,$screen_w,$screen_h" ]; then
    fail "$name: window at $x,$y size ${w}x$h, wanted 0,0 ${screen_w}x$screen_h"
  fi
  xdotool windowfocus "$window_id" 2>/dev/null || true
  "$@" || fail "$name: the action failed"
  wait_app "${end_seconds:-10}"
  sed -i 's/\r$//' "$out" "$err"  # Windows programs end lines with CR LF
  [ "$app_status" = 0 ] || fail "$name: exit status $app_status"
  echo "$name: exit status $app_status"
}

# tap KEY...: real short taps, as a person types (xdotool sends each key's
# press and release a few milliseconds apart). At a few frames per second
# both arrive within one frame; the shell latches the press, so each tap
# counts once.
tap() {
  local key
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.2
  done
}

# press KEY...: holds each key down for a while before letting it go.
press() {
  local key
  for key in "$@"; do
    xdotool keydown "$key"
    sleep 0.3
    xdotool keyup "$key"
    sleep 0.1
  done
}

# press_to_end KEY: holds a key that ends the program until the program is
# gone (at most 10 s), then lets it go: holding works as well as a tap.
press_to_end() {
  xdotool keydown "$1"
  local _
  for _ in $(seq 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  xdotool keyup "$1"
}

finish_cases() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "$1: all checks passed"
}
