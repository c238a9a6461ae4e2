#!/usr/bin/env bash
# A/A comparisons: N independent boxfield_runner invocations of the same
# build with the same arguments, one after the other; every pair of them is
# compared (BASE the earlier, NEW the later: N (N - 1) / 2 comparisons), and
# each report is also compared with a copy of itself whose every time is 5 %
# longer. Prints each comparison's verdict lines and then a tally: on an
# otherwise idle machine no A/A comparison may say SLOWER or FASTER, and the
# 5 % copies should say SLOWER.
# With --add-work P (before the runner arguments) every invocation is
# followed or preceded (in turn: A B, B A, ...) by one of the same build
# with --add-work P, and each is compared with its neighbour: a real
# P % slowdown through separate invocations, the way two builds were
# compared before A/B pairs.
# Usage: bench/compare_aa.sh BUILD_DIR N [--add-work P] [RUNNER ARGUMENTS...]
#   default arguments: --script bench/ratio_flight.txt --size 640x360 --runs auto
# Reports are kept in a folder named on standard error.
set -euo pipefail
usage="usage: compare_aa.sh BUILD_DIR N [--add-work P] [RUNNER ARGUMENTS...]"
build=${1:?$usage}
count=${2:?$usage}
shift 2
add_work=
if [ "${1:-}" = --add-work ]; then
  add_work=${2:?$usage}
  shift 2
fi
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

# Verdict lines of a comparison (statuses 0, 1 and 4 are verdicts; 2, a
# usage error, and 3, a refusal, end the script). Options after the three
# paths go to --compare.
compare() {
  local status=0
  "$runner" --compare "$1" "$2" --plot "$3" "${@:4}" >"$3.txt" 2>&1 || status=$?
  case $status in 0 | 1 | 4) ;; *) cat "$3.txt" >&2; exit 1 ;; esac
  grep -E '^  (solid|wire) ' "$3.txt" | sed 's/^ *//'
}

# One invocation into $work/$1 (extra runner arguments after it).
fly() {
  local name=$1
  shift
  "$runner" "${args[@]}" "$@" --out "$work/$name" >"$work/$name.txt" 2>"$work/$name.err" || {
    tail -3 "$work/$name.err" >&2
    exit 1
  }
  grep -E '^(RESULT|  runs )' "$work/$name.txt" | sed "s/^/run $name: /"
}

for ((i = 1; i <= count; i++)); do
  if [ -n "$add_work" ] && ((i % 2 == 0)); then fly "work$i" --add-work "$add_work"; fi
  fly "$i"
  if [ -n "$add_work" ] && ((i % 2 == 1)); then fly "work$i" --add-work "$add_work"; fi
  if [ -n "$add_work" ]; then
    # --force: the added work is the one difference, and the one meant.
    compare "$work/$i/report.json" "$work/work$i/report.json" "$work/work$i.png" --force \
      | sed "s/^/run $i against --add-work $add_work: /" | tee -a "$work/work"
  fi
  slower_copy "$work/$i/report.json" "$work/slower$i.json"
  compare "$work/$i/report.json" "$work/slower$i.json" "$work/slower$i.png" | sed "s/^/run $i x1.05: /" \
    | tee -a "$work/slower"
done
for ((i = 1; i <= count; i++)); do
  for ((j = i + 1; j <= count; j++)); do
    compare "$work/$i/report.json" "$work/$j/report.json" "$work/aa$i-$j.png" | sed "s/^/A\/A $i-$j: /" \
      | tee -a "$work/aa"
  done
done
kinds="aa slower"
[ -z "$add_work" ] || kinds="$kinds work"
for kind in $kinds; do
  case $kind in
    aa) printf 'A/A verdicts:' ;;
    slower) printf '5 %% slower copy:' ;;
    work) printf 'against --add-work %s:' "$add_work" ;;
  esac
  for v in SAME FASTER SLOWER UNCERTAIN MISSING; do printf ' %s %d' "$v" "$(grep -c " $v" "$work/$kind" || true)"; done
  echo
done
