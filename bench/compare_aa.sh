#!/usr/bin/env bash
# A/A comparisons: PAIRS pairs of independent boxfield_runner invocations of
# the same build with the same arguments, one after the other; each pair is
# compared (BASE the first, NEW the second), and BASE is also compared with
# a copy of itself whose every time is 5 % longer. Prints each comparison's
# verdict lines and then a tally: on an otherwise idle machine no A/A
# comparison may say SLOWER or FASTER, and the 5 % copy should say SLOWER.
# Usage: bench/compare_aa.sh BUILD_DIR PAIRS [RUNNER ARGUMENTS...]
#   default arguments: --script bench/ratio_flight.txt --size 640x360 --runs auto
# Reports are kept in a folder named on standard error.
set -euo pipefail
build=${1:?usage: compare_aa.sh BUILD_DIR PAIRS [RUNNER ARGUMENTS...]}
pairs=${2:?usage: compare_aa.sh BUILD_DIR PAIRS [RUNNER ARGUMENTS...]}
shift 2
args=("$@")
[ ${#args[@]} -gt 0 ] || args=(--script "$(dirname "$0")/ratio_flight.txt" --size 640x360 --runs auto)
runner=$build/tools/boxfield_runner
[ -x "$runner" ] || { echo "compare_aa: no $runner (build it first)" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/compare_aa.XXXXXX")
echo "compare_aa: reports in $work" >&2

# A copy of report $1 in $2 with every time (frames, medians, intervals) 5 % longer.
slower_copy() {
  python3 - "$1" "$2" <<'EOF'
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
for m in d["modes"].values():
    for key in ("median_ms", "ci_low_ms", "ci_high_ms", "p90_ms", "p99_ms"):
        if m[key] is not None: m[key] *= 1.05
    for r in m["run_figures"]:
        for key in ("median_ms", "q1_ms", "q3_ms", "iqr_ms", "p90_ms", "p99_ms"):
            if r[key] is not None: r[key] *= 1.05
for runs in d["frame_times_ms"].values():
    for run in runs: run[:] = [t * 1.05 for t in run]
json.dump(d, open(sys.argv[2], "w", encoding="utf-8"), indent=1)
EOF
}

# Verdict lines of a comparison (status 0 or 1 are verdicts; others fail).
compare() {
  local status=0
  "$runner" --compare "$1" "$2" --plot "$3" >"$3.txt" 2>&1 || status=$?
  [ "$status" -le 1 ] || { cat "$3.txt" >&2; exit 1; }
  grep -E '^  (solid|wire) ' "$3.txt" | sed 's/^ *//'
}

for ((i = 1; i <= pairs; i++)); do
  for side in a b; do
    "$runner" "${args[@]}" --out "$work/$i$side" >"$work/$i$side.txt" 2>"$work/$i$side.err" || {
      tail -3 "$work/$i$side.err" >&2
      exit 1
    }
    grep -E '^(RESULT|  runs )' "$work/$i$side.txt" | sed "s/^/pair $i $side: /"
  done
  compare "$work/${i}a/report.json" "$work/${i}b/report.json" "$work/aa$i.png" | sed "s/^/pair $i A\/A: /" \
    | tee -a "$work/aa"
  slower_copy "$work/${i}a/report.json" "$work/slower$i.json"
  compare "$work/${i}a/report.json" "$work/slower$i.json" "$work/slower$i.png" | sed "s/^/pair $i x1.05: /" \
    | tee -a "$work/slower"
done
for kind in aa slower; do
  printf '%s:' "$([ $kind = aa ] && echo 'A/A verdicts' || echo '5 % slower copy')"
  for v in SAME FASTER SLOWER UNCERTAIN MISSING; do printf ' %s %d' "$v" "$(grep -c " $v" "$work/$kind" || true)"; done
  echo
done
