#!/usr/bin/env bash
# Installs what is missing for building and running (not the test tools),
# builds the programs only (tools/setup.sh --run), and runs the box-field
# program: in its full-screen window where there is a display, otherwise on
# the headless backend with a short scripted flight (tools/boxfield_runner),
# printing where its screenshots and frame-time report are.
#   tools/run.sh              the program, or the headless short tour
#   tools/run.sh ARGS...      without a display: ARGS go to boxfield_runner
#                             (e.g. --tour bench --size 1920x1080)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/tools/setup.sh" --run
program="$here/build/boxfield/boxfield"
runner="$here/build/tools/boxfield_runner"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  [ -x "$program" ] || { echo "run: $program was not built" >&2; exit 1; }
  if [ $# -gt 0 ]; then
    echo "run: a display is present, so the program starts in its window; the arguments ($*) apply only to" \
      "the headless runner (without a display) and are ignored" >&2
  fi
  echo "run: starting the box-field program (W/A/S/D fly, mouse looks, M mode, E wire-frame, Esc or Q quits)"
  exec "$program"
fi

[ -x "$runner" ] || { echo "run: $runner was not built" >&2; exit 1; }
out="$here/build/runner-out"
if [ $# -eq 0 ]; then
  # One pass is a quick look at the program, not a measurement: figures with
  # their spread need repeated runs (boxfield_runner --tour bench --runs auto).
  echo "run: no display; running the program headless with one pass of a short scripted flight"
  set -- --tour short --warmup 0 --runs 1
else
  echo "run: no display; running the program headless: boxfield_runner $*"
fi
status=0
"$runner" --out "$out" "$@" || status=$?
echo "run: screenshots (PNG) and report.json are in $out/"
exit $status
