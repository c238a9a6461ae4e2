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
  ! grep -q '^Usage: ' "$err" || fail "$name: the whole usage after the refusal"
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

# check_bench_report FILE CSV PNG W H WINDOW_SYSTEM OS_PATTERN: the report
# (read with Python's json module) has timed frames of both modes with
# positive medians, no GL errors, the swap frame end, the swap interval's
# answer, the WxH surface and an environment record with every field
# filled (the window system named, the OS matching OS_PATTERN); the CSV
# file has a row per timed frame; the frame-time picture is a WxH PNG.
check_bench_report() {
  local file=$1 csv=$2 png=$3 w=$4 h=$5 system=$6 os=$7 summary
  [ -s "$file" ] || { fail "report: no $file"; return; }
  summary=$(python3 - "$file" "$csv" "$w" "$h" "$system" "$os" <<'PYEOF'
import csv, json, re, sys
path, csv_path, w, h, system, os_pattern = sys.argv[1:]
d = json.load(open(path, encoding="utf-8"))
problems = []
total = 0
for mode in ("solid", "wire"):
    m = d["modes"][mode]
    if not m["frames"] > 0 or not (m["median_ms"] or 0) > 0:
        problems.append(f"no timed {mode} frames or median: {m['frames']}, {m['median_ms']}")
    total += m["frames"]
if d["frame_end"] != "swap": problems.append("frame end is not swap")
e = d["environment"]
if e["swap_interval_requested"] != "0" or e["swap_interval_granted"] not in ("granted", "refused"):
    problems.append(f"swap interval: {e['swap_interval_requested']}, {e['swap_interval_granted']}")
if d["gl_errors"]["solid"] or d["gl_errors"]["wire"]: problems.append(f"GL errors: {d['gl_errors']}")
if d["surface"] != {"width": int(w), "height": int(h)}: problems.append(f"surface {d['surface']}")
for key in ("cpu_model", "os", "kernel", "gl_vendor", "gl_renderer", "gl_version", "program_version",
            "source_revision", "compiler", "build_type", "utc_time"):
    if not e[key]: problems.append(f"environment.{key} empty")
if not e["window_system"].startswith(system): problems.append(f"window system {e['window_system']!r}")
if not re.search(os_pattern, e["os"]): problems.append(f"os {e['os']!r}")
rows = list(csv.DictReader(open(csv_path, encoding="utf-8", newline="")))
if len(rows) != total: problems.append(f"results: {len(rows)} rows for {total} timed frames")
for p in problems: print("FAIL", p)
print(f"report: {total} timed frames in {d['runs']['count']} runs, {len(rows)} result rows; {e['os']}; {e['window_system']}")
PYEOF
)
  echo "$summary"
  while read -r line; do fail "report: ${line#FAIL }"; done < <(grep '^FAIL ' <<<"$summary")
  [ "$(head -n 1 "$csv" | tr -d '\r')" = "run,frame,mode,ms,gpu_ms,cpu_ms" ] || fail "results: no header in $csv"
  [ "$(identify -format '%wx%h' "$png" 2>/dev/null)" = "${w}x$h" ] || fail "picture: $png is not a ${w}x$h PNG"
}
