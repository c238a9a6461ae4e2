#!/usr/bin/env bash
# The SDL2 build on SDL's Wayland driver, under weston:
#   - weston's X11 back end nested in a private Xvfb (a compositor with a
#     seat), the program started with DISPLAY unset: the benchmark mode
#     (`--windowed 640x360 --benchmark short`) takes its frames, exits 0 and
#     its report names the Wayland driver; the plain program ends on a tap
#     of Q and of Escape sent to weston's window (weston passes the keys on
#     through its seat);
#   - weston's headless back end (no seat, on which SDL 2.26's Wayland
#     driver crashes): the program ends through the fatal path with status 1
#     and a line naming the missing seat, and with an X display there it
#     runs on X11 instead.
# Skipped (status 77) only when weston is not installed.
# Arguments: the native build tree, the source tree.
set -euo pipefail
build=$(cd "${1:?build tree}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v weston >/dev/null; then
  echo "skipped: weston is not installed (tools/setup.sh installs it)"
  exit 77
fi
source "$here/../shell/xvfb_session.sh"
require_tools Xvfb xdotool xwininfo identify
[ -x "$build/boxfield/boxfield" ] || { echo "missing $build/boxfield/boxfield: build the native tree first" >&2; exit 1; }
boxfield="$build/boxfield/boxfield"

# weston's sockets and locks go in a private runtime folder (it refuses one
# that others can read).
export XDG_RUNTIME_DIR="$session_work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
weston_pids=()
trap 'for p in ${weston_pids[@]+"${weston_pids[@]}"}; do kill "$p" 2>/dev/null || true; done; session_cleanup' EXIT

# start_weston BACKEND SOCKET: weston on BACKEND listening on SOCKET, waited
# for (at most 30 s) until the socket is there.
start_weston() {
  local log="$session_work/weston-$2.log" _
  weston --no-config --backend="$1" --socket="$2" --width=800 --height=600 --idle-time=0 >"$log" 2>&1 &
  weston_pids+=($!)
  for _ in $(seq 300); do
    [ -S "$XDG_RUNTIME_DIR/$2" ] && return 0
    kill -0 "${weston_pids[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  echo "could not start weston ($1): $(tail -5 "$log")" >&2
  exit 1
}

# wayland_run SOCKET ARG...: the program on SOCKET with no X display,
# in the background; app_pid set, output in out and err.
wayland_run() {
  local socket=$1
  shift
  : >"$out"
  : >"$err"
  env -u DISPLAY WAYLAND_DISPLAY="$socket" "$boxfield" "$@" >"$out" 2>"$err" &
  app_pid=$!
}

# expect_window_system FILE DRIVER: the report (read with Python's json
# module) says which SDL driver showed the window ("SDL DRIVER"), in its
# environment record or at its top level.
expect_window_system() {
  local said
  said=$(python3 -c 'import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
print(d["environment"]["window_system"])' "$1") ||
    { fail "report: $1 is not JSON"; return; }
  [ "$said" = "SDL $2" ] || fail "report: window system '$said', wanted 'SDL $2'"
}

enter_run_dir
source "$here/bench_checks.sh"
start_xvfb 1024 768

# --- A compositor with a seat: weston's X11 back end in Xvfb.
start_weston x11-backend.so bf-seat
wayland_run bf-seat --windowed 640x360 --benchmark short --results-file frames.csv
wait_app 240
sed -i 's/\r$//' "$out" "$err"
if [ "$app_status" = 0 ]; then
  echo "benchmark on Wayland: exit status 0"
  check_bench_report boxfield-report.json frames.csv frametimes.png 640 360 "SDL wayland" Linux
  expect_window_system boxfield-report.json wayland
else
  fail "benchmark on Wayland: exit status $app_status: $(tail -3 "$err")"
fi

# Key taps reach the program through weston: its output is an X window,
# where xdotool types; weston gives the keys to the window it focused.
weston_window=$(xdotool search --class '^Weston Compositor$' 2>/dev/null | head -n 1 || true)
if [ -z "$weston_window" ]; then
  fail "no weston window in Xvfb to type into: $(xwininfo -root -tree 2>&1 | tail -n 3)"
else
  # weston's window takes the X keyboard first; weston then has the keys.
  xdotool mousemove --window "$weston_window" 400 300
  xdotool windowfocus --sync "$weston_window" 2>/dev/null || true
  sleep 1
  # Nothing outside weston shows when the program's window has appeared and
  # taken the focus, so the tap is repeated (at most 8 times, 4 s apart)
  # until the program ends.
  for key in q Escape; do
    wayland_run bf-seat --windowed 640x360
    taps=0
    while kill -0 "$app_pid" 2>/dev/null && [ "$taps" -lt 8 ]; do
      sleep 4
      tap "$key"
      taps=$((taps + 1))
    done
    wait_app 30
    [ "$app_status" = 0 ] || fail "tap $key on Wayland: exit status $app_status: $(tail -3 "$err")"
    echo "tap $key on Wayland: exit status $app_status after $taps tap(s)"
  done
fi

# --- No seat: weston's headless back end.
start_weston headless-backend.so bf-seatless
rm -f boxfield-report.json
seatless='offers no seat \(wl_seat\)'
for mode in windowed plain; do
  args=(--windowed 640x360 --benchmark short)
  [ "$mode" = plain ] && args=()
  wayland_run bf-seatless ${args[@]+"${args[@]}"}
  wait_app 30
  [ "$app_status" = 1 ] || fail "seat-less, $mode: exit status $app_status, wanted 1 (139 is SIGSEGV)"
  grep -Eq "$seatless" "$err" || fail "seat-less, $mode: no line naming the missing seat: $(cat "$err")"
  [ ! -e boxfield-report.json ] || fail "seat-less, $mode: a report was written"
  echo "seat-less, $mode: exit status $app_status ($(grep -E "$seatless" "$err" | head -n 1 | cut -c 1-80)...)"
done
# Asked for the Wayland driver with an X display there: X11 serves instead.
rm -f boxfield-report.json
: >"$out"
: >"$err"
SDL_VIDEODRIVER=wayland WAYLAND_DISPLAY=bf-seatless "$boxfield" --windowed 320x180 --benchmark short >"$out" 2>"$err" &
app_pid=$!
wait_app 240
if [ "$app_status" = 0 ]; then
  expect_window_system boxfield-report.json x11
  grep -Eq "$seatless.*using the X display" "$err" || fail "seat-less with X: no note of the fallback: $(cat "$err")"
  echo "seat-less with an X display: ran on X11, exit status 0"
else
  fail "seat-less with an X display: exit status $app_status: $(tail -3 "$err")"
fi
finish_cases "boxfield on Wayland (weston)"
