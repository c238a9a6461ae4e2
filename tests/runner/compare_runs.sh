#!/usr/bin/env bash
# Real runs and their comparison: two invocations of the runner on the same
# build (a warm-up pass and three timed runs each, flown at the same time) give one RESULT line per
# mode, an environment record with every field filled, and an A/A
# comparison whose exit status follows its verdicts (a report against
# itself is never SLOWER or FASTER); a run pinned
# to one processor records one usable and is not compared with an unpinned
# one; a flight Escape stopped early exits 1 and its report is refused; a copy with every time 5 % longer is
# never SAME or FASTER; a copy without wire frames fails; copies that
# measured something else are refused with one line (status 3) unless
# --force; and with EGL made unavailable the comparison gives the same
# verdict and status, one line on standard error about the picture, and no
# graphics_error.log; two 20 MiB reports compare within 300 MB.
# Arguments: boxfield_runner, an output folder.
set -uo pipefail
runner=$1 out=$2
rm -rf "$out" && mkdir -p "$out"
fail() { echo "FAIL: $*"; exit 1; }
cd "$out" || exit 1

printf '1 move 0 0\n2 down W\n30 down M\n32 up M\n50 move 2 0\n60 end\n' >flight.txt
# Both invocations at once, so that whatever else the machine does weighs
# on both alike; then one pinned to one processor, where taskset is at hand.
pinned=(true)
command -v taskset >/dev/null && pinned=(taskset -c 0 "$runner")
for name in a b; do
  "$runner" --script flight.txt --size 160x90 --warmup 1 --runs 3 --out "$name" --results-file "$name.csv" \
    >"$name.txt" 2>"$name.err" &
done
wait %1 || { cat a.txt a.err; fail "run a"; }
wait %2 || { cat b.txt b.err; fail "run b"; }
"${pinned[@]}" --script flight.txt --size 160x90 --warmup 1 --runs 3 --out pinned >pinned.txt 2>&1 \
  || { cat pinned.txt; fail "pinned run"; }
for name in a b; do
  results=$(grep '^RESULT ' "$name.txt")
  echo "$results"
  [ "$(wc -l <<<"$results")" = 2 ] || fail "$name: not one RESULT line per mode"
  grep -Eqv '^RESULT mode=(solid|wire) median_ms=[0-9]+\.[0-9]{3} ci_low_ms=n/a ci_high_ms=n/a cv_percent=[0-9]+\.[0-9]{2} runs=3 frames=[0-9]+$' \
    <<<"$results" && fail "$name: a RESULT line out of form"
  # The summary ends with the RESULT lines (then the files written).
  [ "$(grep -n . "$name.txt" | grep -m1 RESULT | cut -d: -f1)" -gt 10 ] || fail "$name: RESULT before the summary"
done

python3 - a/report.json a.csv <<'PYEOF' || fail "environment or CSV"
import csv, json, re, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
e = d["environment"]
for key in ["cpu_model", "os", "kernel", "window_system", "egl", "gl_vendor", "gl_renderer", "gl_version",
            "driver_version", "program", "program_version", "source_revision", "compiler", "build_type"]:
    assert isinstance(e[key], str) and e[key], key
assert e["logical_cores"] >= 1
assert 1 <= e["usable_cpus"] <= e["affinity_cpus"] <= e["logical_cores"], e
assert e["cpu_limit"] is None or e["cpu_limit"] > 0, e
assert re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", e["utc_time"]), e["utc_time"]
assert e["surface"] == {"width": 160, "height": 90}
assert d["schema_version"] == 2 and d["runs"]["count"] == 3 and d["runs"]["warmup_passes"] == 1
def numbers(v, path=""):
    if isinstance(v, dict):
        for k, x in v.items():
            yield from numbers(x, path + "." + k)
    elif isinstance(v, list):
        for x in v:
            yield from numbers(x, path)
    elif isinstance(v, (int, float)) and not isinstance(v, bool):
        yield path
# Every number under a key that names a time ends in _ms (the per-frame
# lists are in objects whose own names end in _ms).
for path in numbers(d):
    keys = path.split(".")
    timed = [k for k in keys if re.search(r"(time|_us|seconds|_ms)", k)]
    assert all(k.endswith("_ms") for k in timed), path
rows = list(csv.DictReader(open(sys.argv[2])))
assert rows and all(float(r["ms"]) >= 0 and float(r["gpu_ms"]) >= 0 and float(r["cpu_ms"]) >= 0 for r in rows)
print(f"environment: {e['cpu_model']}, {e['os']}, {e['driver_version']}; {len(rows)} CSV rows")
PYEOF

# compare A B [ARG...]: runs the comparison; sets status, out, err.
compare() {
  status=0
  "$runner" --compare "$@" >cmp.out 2>cmp.err || status=$?
  out=$(cat cmp.out)
  err=$(cat cmp.err)
}

# Two separate invocations of one build can really differ in speed on a
# shared machine (a process can meet another load for all its runs), so
# their verdicts are not fixed here; the exit status must follow them:
# 1 with a SLOWER row, else 4 with an UNCERTAIN row, else 0.
for pair in "a b" "b a"; do
  set -- $pair
  compare "$1/report.json" "$2/report.json"
  echo "$out"
  want=0
  grep -q '  UNCERTAIN' <<<"$out" && want=4
  grep -q '  SLOWER' <<<"$out" && want=1
  [ "$status" = "$want" ] || fail "A/A $pair: status $status for its verdicts: $err"
  [ "$want" != 4 ] || grep -q '^undecided: ' <<<"$out" || fail "A/A $pair: UNCERTAIN without the undecided line"
  [ "$want" != 1 ] || grep -q '^FAILED: ' <<<"$out" || fail "A/A $pair: SLOWER without the FAILED line"
done
# A report against itself: every ratio 1, never SLOWER or FASTER.
compare a/report.json a/report.json
[ "$status" = 0 ] || [ "$status" = 4 ] || fail "a against itself: status $status: $err"
! grep -Eq '  (SLOWER|FASTER)' <<<"$out" || fail "a against itself: $out"

# The run pinned to one processor records one usable processor beside the
# machine's count, and is not compared with an unpinned run.
if [ "${pinned[0]}" = taskset ]; then
  usable=$(python3 -c 'import json,sys; e=json.load(open(sys.argv[1]))["environment"]; print(e["usable_cpus"], e["logical_cores"])' pinned/report.json)
  unpinned=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["environment"]["usable_cpus"])' a/report.json)
  [ "${usable% *}" = 1 ] || fail "pinned run: usable CPUs and cores '$usable'"
  if [ "$unpinned" != 1 ]; then
    compare a/report.json pinned/report.json
    [ "$status" = 3 ] && grep -q "usable CPUs differ: \"$unpinned\" against \"1\"" cmp.err || fail "pinned compared: $status $err"
  fi
else
  echo "no taskset: the pinned run is not checked"
fi

# Escape in the flight stops it before its runs are over: status 1 with a
# line saying so, a report of the frames so far, and --compare refuses that
# report unless --force, which names it.
printf '1 move 0 0\n2 down W\n30 down ESC\n60 end\n' >stopped.txt
status=0
"$runner" --script stopped.txt --size 160x90 --warmup 0 --runs 3 --out stopped >stopped.out 2>stopped.err || status=$?
[ "$status" = 1 ] || fail "stopped flight: status $status"
grep -q '^boxfield_runner: the program quit at frame 3[01] of 60 in timed run 1 of 3, before its runs were over' stopped.err \
  || fail "stopped flight: $(cat stopped.err)"
python3 - stopped/report.json <<'PYEOF' || fail "stopped flight's report"
import json, sys
runs = json.load(open(sys.argv[1], encoding="utf-8"))["runs"]
assert runs["count"] == 1 and runs["ended_by"] == "stopped before the runs were over", runs
PYEOF
compare stopped/report.json stopped/report.json
[ "$status" = 3 ] && grep -q 'stopped/report.json was stopped before the runs were over (runs.ended_by)' cmp.err \
  || fail "stopped report compared: $status $err"
compare stopped/report.json stopped/report.json --force
[ "$status" != 3 ] && grep -q '^note: stopped/report.json was stopped before the runs were over' cmp.out \
  || fail "stopped report with --force: $status $out"

# rewrite IN OUT PYTHON: a copy of a report changed by a Python statement on d.
rewrite() {
  python3 - "$1" "$2" "$3" <<'PYEOF' || fail "rewrite $3"
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
def scale(k):
    for m in d["modes"].values():
        for key in ("median_ms", "ci_low_ms", "ci_high_ms", "p90_ms", "p99_ms"):
            if m[key] is not None: m[key] *= k
        for r in m["run_figures"]:
            for key in ("median_ms", "q1_ms", "q3_ms", "iqr_ms", "p90_ms", "p99_ms"):
                if r[key] is not None: r[key] *= k
    for runs in d["frame_times_ms"].values():
        for run in runs: run[:] = [t * k for t in run]
exec(sys.argv[3])
json.dump(d, open(sys.argv[2], "w", encoding="utf-8"), indent=1)
PYEOF
}

rewrite a/report.json slower.json 'scale(1.05)'
compare a/report.json slower.json
echo "$out"
grep -Eq '  (SLOWER|UNCERTAIN)' <<<"$out" && ! grep -Eq '  (SAME|FASTER)$' <<<"$out" \
  || fail "5 % slower said SAME or FASTER"
[ "$status" = 1 ] || [ "$status" = 4 ] || fail "5 % slower: status $status"

rewrite a/report.json no_wire.json 'd["modes"]["wire"].update(frames=0, runs=0, median_ms=None, run_figures=[]); d["frame_times_ms"]["wire"] = []'
compare a/report.json no_wire.json
[ "$status" = 1 ] && grep -q 'MISSING: NEW timed no frames' <<<"$out" || fail "missing wire mode: status $status: $out"

rewrite a/report.json swap.json 'd["frame_end"] = "swap"'
compare a/report.json swap.json
[ "$status" = 3 ] || fail "other frame end: status $status"
[ "$(wc -l <cmp.err)" = 1 ] && grep -q 'frame ends differ: "finish" against "swap" (--force compares them anyway)$' cmp.err \
  || fail "refusal: $err"
[ -z "$out" ] || fail "refusal printed a table"
compare a/report.json swap.json --force
{ [ "$status" = 0 ] || [ "$status" = 4 ]; } && grep -q '^note: the reports differ: frame ends differ' <<<"$out" \
  || fail "--force: $status $out"

# The reader's memory: two reports of 20 MiB (4 million frame times each)
# compared within 300 MB of address space, about 7 times their size.
rewrite a/report.json big.json 'd["frame_times_ms"]["solid"] = [[0.5] * (4 << 20)]'
status=0
(ulimit -v 300000 && __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json "$runner" --compare big.json big.json \
  >big.out 2>big.err) || status=$?
[ "$status" = 0 ] || [ "$status" = 4 ] || fail "20 MiB reports in 300 MB: status $status: $(head -c 300 big.err)"
rm -f big.json

# No EGL (glvnd finds no vendor library): the same verdict, no picture.
mkdir -p no_egl && cd no_egl || exit 1
compare ../a/report.json ../slower.json
with_status=$status with_out=$(grep -v '^frame-time picture' cmp.out)
__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json compare ../a/report.json ../slower.json
[ "$status" = "$with_status" ] || fail "no EGL: status $status, with EGL $with_status"
[ "$out" = "$with_out" ] || fail "no EGL: other output: $out"
[ "$err" = "boxfield_runner: no comparison picture: no EGL display for desktop OpenGL on this machine" ] \
  || fail "no EGL: error stream: $err"
[ ! -e graphics_error.log ] || fail "no EGL: graphics_error.log written"
echo "comparisons: A/A never SLOWER, refusals and the no-EGL path as documented"
