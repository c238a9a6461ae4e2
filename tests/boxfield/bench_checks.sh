# Shared by the benchmark-mode window tests (sourced after xvfb_session.sh,
# not run): the command-line refusals, the window of the requested size with
# the display mode left alone, and the report files of the run.

# expect_refusal NAME PATTERN ARG...: the program refuses ARG... with exit
# status 2, one line matching PATTERN that ends pointing at --help (not the
# whole usage), and opens
# no window (DISPLAY names a display nobody serves, so any attempt to open
# one would fail differently).
expect_refusal() {
  local name=$1 pattern=$2 status=0 first
  shift 2
  DISPLAY=:9999 "${program[@]}" "$@" >"$out" 2>"$err" || status=$?
  sed -i 's/\r$//' "$out" "$err"
  first=$(head -n 1 "$err")
  [ "$status" = 2 ] || fail "$name: exit status $status, wanted 2"
  grep -Eq "$pattern" <<<"$first" || fail "$name: first line '$first' does not match '$pattern'"
  [[ "$first" == *" (try 'boxfield --help')" ]] || fail "$name: '$first' does not point at --help"
  ! grep -q '^usage: ' "$err" || fail "$name: the whole usage after the refusal"
  [ ! -s "$out" ] || fail "$name: wrote to standard output: $(head -n 2 "$out")"
  echo "$name: refused ($first)"
}

# expect_informed NAME PATTERN ARG...: exit status 0 and PATTERN on
# standard output (--help, --version).
expect_informed() {
  local name=$1 pattern=$2 status=0
  shift 2
  DISPLAY=:9999 "${program[@]}" "$@" >"$out" 2>"$err" || status=$?
  sed -i 's/\r$//' "$out" "$err"
  [ "$status" = 0 ] || fail "$name: exit status $status"
  grep -Eq "$pattern" "$out" || fail "$name: no line matching '$pattern' in: $(head -n 3 "$out")"
  echo "$name: exit status $status"
}

# bench_window_case W H ARG...: runs the benchmark in a WxH window, checks
# while it runs that a viewable window of exactly that size shows and the
# screen keeps its size, then waits for status 0.
bench_window_case() {
  local w=$1 h=$2 info size
  shift 2
  local saved=("${program[@]}")
  program=("${program[@]}" "$@")
  if ! start_app "${start_seconds:-30}"; then
    fail "benchmark: no window appeared"
    cat "$err" >&2
    program=("${saved[@]}")
    wait_app 1
    return
  fi
  program=("${saved[@]}")
  info=$(xwininfo -id "$window_id")
  size="$(sed -n 's/.*Width: *//p' <<<"$info")x$(sed -n 's/.*Height: *//p' <<<"$info")"
  [ "$size" = "${w}x$h" ] || fail "benchmark: window ${size}, wanted ${w}x$h"
  local screen
  screen=$(xdpyinfo | sed -n 's/.*dimensions: *\([0-9]*x[0-9]*\) pixels.*/\1/p')
  [ "$screen" = "${screen_w}x$screen_h" ] || fail "benchmark: the screen became $screen (a mode switch)"
  echo "benchmark: window $size on a $screen screen"
  wait_app "${end_seconds:-240}"
  sed -i 's/\r$//' "$out" "$err"
  [ "$app_status" = 0 ] || { fail "benchmark: exit status $app_status"; cat "$err" >&2; }
}

# check_bench_report FILE CSV PNG W H: the report has timed frames of both
# modes with finite positive times, no GL errors, the swap frame end and
# the swap interval's answer; the CSV file has a row per timed frame; the
# frame-time picture is a WxH PNG.
check_bench_report() {
  local file=$1 csv=$2 png=$3 w=$4 h=$5 mode line frames median total=0 rows
  [ -s "$file" ] || { fail "report: no $file"; return; }
  for mode in solid wire; do
    line=$(grep -E "^    \"$mode\": \{\"frames\": " "$file" || true)
    frames=$(sed -nE 's/.*"frames": ([0-9]+),.*/\1/p' <<<"$line")
    median=$(sed -nE 's/.*"median_ms": ([0-9.]+),.*/\1/p' <<<"$line")
    [ "${frames:-0}" -gt 0 ] || fail "report: no timed $mode frames: $line"
    ! grep -q null <<<"$line" || fail "report: a $mode figure is not finite: $line"
    awk -v m="${median:-0}" 'BEGIN { exit !(m > 0) }' || fail "report: $mode median '${median}'"
    total=$((total + ${frames:-0}))
  done
  grep -q '^  "frame_end": "swap",$' "$file" || fail "report: frame end is not swap"
  grep -Eq '^  "swap_interval": "0 requested, (granted|refused)",$' "$file" || fail "report: no swap interval answer"
  grep -q '^  "gl_errors": {"solid": 0, "wire": 0, ' "$file" || fail "report: GL errors: $(grep gl_errors "$file")"
  grep -q "^  \"surface\": {\"width\": $w, \"height\": $h},\$" "$file" || fail "report: surface is not ${w}x$h"
  rows=$(($(wc -l <"$csv") - 1))
  [ "$(head -n 1 "$csv" | tr -d '\r')" = "frame,mode,ms" ] || fail "results: no header in $csv"
  [ "$rows" = "$total" ] || fail "results: $rows rows for $total timed frames"
  [ "$(identify -format '%wx%h' "$png" 2>/dev/null)" = "${w}x$h" ] || fail "picture: $png is not a ${w}x$h PNG"
  echo "report: $total timed frames, $rows result rows, picture $(identify -format '%wx%h' "$png")"
}
