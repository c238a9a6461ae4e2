#!/usr/bin/env bash
# The program's frame time over the bare GL work: boxfield_runner (the
# program's own loop, overlay and frame end) and boxfield_bare (the same
# display list, glow and views alone) fly the same script at each size,
# interleaved ROUNDS times; the medians of each mode's median frame time are
# compared. Prints a Markdown table: size, mode, program ms, bare ms, ratio;
# then per size the processor time (user + system, all threads) of the whole
# runs, a measure of work that other load on the machine disturbs less than
# frame times do (the runner's also holds its start-up timings: a second
# compile of each list, the field and the font, well under a second).
# Usage: bench/boxfield_ratio.sh BUILD_DIR [ROUNDS] [SCRIPT] [SIZE...]
#   defaults: 3 rounds, bench/ratio_flight.txt, 1280x720 and 1920x1080.
# The environment passes through (e.g. LP_NUM_THREADS for llvmpipe).
set -euo pipefail
build=${1:?usage: boxfield_ratio.sh BUILD_DIR [ROUNDS] [SCRIPT] [SIZE...]}
rounds=${2:-3}
script=${3:-$(dirname "$0")/ratio_flight.txt}
shift $(($# < 3 ? $# : 3))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1280x720 1920x1080)
runner=$build/tools/boxfield_runner bare=$build/bench/boxfield_bare
for p in "$runner" "$bare"; do [ -x "$p" ] || { echo "boxfield_ratio: no $p (build it first)" >&2; exit 1; }; done
[ -f "$script" ] || { echo "boxfield_ratio: no script $script" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# median_ms of a mode in a report: $1 report, $2 mode.
median_of() { python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["modes"][sys.argv[2]]["median_ms"])' "$1" "$2"; }

# Runs a command quietly; prints its processor seconds (user + system).
cpu_seconds() {
  local TIMEFORMAT='%U %S' times
  times=$({ time "$@" >/dev/null 2>&1; } 2>&1) || { echo "boxfield_ratio: $1 failed" >&2; exit 1; }
  awk '{print $1 + $2}' <<<"$times"
}

# Median of the numbers on standard input.
median() { sort -g | awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

for ((r = 1; r <= rounds; r++)); do
  for size in "${sizes[@]}"; do
    echo "$size cpu program $(cpu_seconds "$runner" --script "$script" --size "$size" --warmup 0 --runs 1 --out "$work/p-$size-$r")" >>"$work/all"
    echo "$size cpu bare $(cpu_seconds "$bare" --script "$script" --size "$size" --report "$work/b-$size-$r.json")" >>"$work/all"
    for mode in solid wire; do
      echo "$size $mode program $(median_of "$work/p-$size-$r/report.json" $mode)" >>"$work/all"
      echo "$size $mode bare $(median_of "$work/b-$size-$r.json" $mode)" >>"$work/all"
    done
    echo "round $r/$rounds $size done" >&2
  done
done

echo "| size | mode | program ms | bare ms | program/bare |"
echo "|---|---|---|---|---|"
# Median over the rounds of one figure: $1 size, $2 mode or cpu, $3 program or bare.
figure() { awk -v s="$1" -v m="$2" -v w="$3" '$1 == s && $2 == m && $3 == w {print $4}' "$work/all" | median; }
for size in "${sizes[@]}"; do
  for mode in solid wire; do
    awk -v s="$size" -v m="$mode" -v p="$(figure "$size" "$mode" program)" -v b="$(figure "$size" "$mode" bare)" \
      'BEGIN {if (p > 0 && b > 0) printf "| %s | %s | %.2f | %.2f | %.3f |\n", s, m, p, b, p / b;
             else printf "| %s | %s | - | - | no timed frames |\n", s, m}'
  done
done
echo
for size in "${sizes[@]}"; do
  awk -v s="$size" -v p="$(figure "$size" cpu program)" -v b="$(figure "$size" cpu bare)" \
    'BEGIN {printf "%s: processor time per run: program %.2f s, bare %.2f s, program/bare %.3f\n", s, p, b, (b > 0 ? p / b : 0)}'
done
