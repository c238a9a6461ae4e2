#!/usr/bin/env bash
# What each of the runner's instruments costs a frame, and the program's
# frame time over the bare GL work. Every round runs, in an order that
# rotates from round to round:
#   none      boxfield_runner with every instrument off (--gpu-time off
#             --gl-errors poll --egl-swap off)
#   callback  none + the debug-output error callback (--gl-errors callback)
#   gpu-time  none + timer queries around every frame (--gpu-time on)
#   egl-swap  none + eglSwapBuffers on the pbuffer (--egl-swap on)
#   default   the runner as it starts without options
#   bare      boxfield_bare: the same list and glow without the program
#   overlay   boxfield_bare --overlay: the same plus the frame-rate overlay
# over the same flight at one size, each a single pass without warm-up (as
# the bare program flies). Per mode it then prints, for each variant against
# "none", the median over rounds of the ratio of the two runs' median frame
# times with a 95 % interval (t on the logarithms of the paired ratios), and
# the same for the runs' processor time; then the default runner over the
# bare program. Only for an otherwise idle machine: other load moves frame
# times far more than any instrument does.
# Usage: bench/boxfield_instruments.sh BUILD_DIR [ROUNDS] [SIZE] [SCRIPT] [VARIANTS...]
#   defaults: 5 rounds, 1280x720, bench/ratio_flight.txt, every variant.
set -euo pipefail
build=${1:?usage: boxfield_instruments.sh BUILD_DIR [ROUNDS] [SIZE] [SCRIPT] [VARIANTS...]}
rounds=${2:-5}
size=${3:-1280x720}
script=${4:-$(dirname "$0")/ratio_flight.txt}
shift $(($# < 4 ? $# : 4))
variants=("$@")
[ ${#variants[@]} -gt 0 ] || variants=(none callback gpu-time egl-swap default bare overlay)
runner=$build/tools/boxfield_runner bare=$build/bench/boxfield_bare
for p in "$runner" "$bare"; do [ -x "$p" ] || { echo "boxfield_instruments: no $p (build it first)" >&2; exit 1; }; done
[ -f "$script" ] || { echo "boxfield_instruments: no script $script" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

off=(--gpu-time off --gl-errors poll --egl-swap off)
# Runs variant $1 into report $2; prints its processor seconds (user + system).
run_variant() {
  local cmd TIMEFORMAT='%U %S' times
  case $1 in
    none) cmd=("$runner" "${off[@]}") ;;
    callback) cmd=("$runner" "${off[@]}" --gl-errors callback) ;;
    gpu-time) cmd=("$runner" "${off[@]}" --gpu-time on) ;;
    egl-swap) cmd=("$runner" "${off[@]}" --egl-swap on) ;;
    default) cmd=("$runner") ;;
    bare) cmd=("$bare" --report "$2") ;;
    overlay) cmd=("$bare" --overlay --report "$2") ;;
    *) echo "boxfield_instruments: no variant $1" >&2; exit 2 ;;
  esac
  case $1 in
    bare | overlay) ;;
    *) cmd+=(--warmup 0 --runs 1 --out "$work/out-$1") ;;
  esac
  cmd+=(--script "$script" --size "$size")
  times=$({ time "${cmd[@]}" >"$work/log" 2>&1; } 2>&1) || {
    echo "boxfield_instruments: $1 failed:" >&2
    tail -3 "$work/log" >&2
    exit 1
  }
  case $1 in bare | overlay) ;; *) cp "$work/out-$1/report.json" "$2" ;; esac
  awk '{print $1 + $2}' <<<"$times"
}

n=${#variants[@]}
for ((r = 0; r < rounds; r++)); do
  for ((k = 0; k < n; k++)); do
    v=${variants[$(((k + r) % n))]}
    cpu=$(run_variant "$v" "$work/$v-$r.json")
    echo "$r $v $cpu" >>"$work/cpu"
  done
  echo "round $((r + 1))/$rounds done" >&2
done

python3 - "$work" "$rounds" "$size" "${variants[@]}" <<'EOF'
import json, math, statistics, sys
work, rounds, size, variants = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4:]
cpu = {}
for line in open(f"{work}/cpu"):
    r, v, s = line.split()
    cpu[(int(r), v)] = float(s)
def median_ms(v, r, mode):
    return json.load(open(f"{work}/{v}-{r}.json"))["modes"][mode]["median_ms"]
# Student's t, 97.5th percentile, by degrees of freedom.
T = {1: 12.706, 2: 4.303, 3: 3.182, 4: 2.776, 5: 2.571, 6: 2.447, 7: 2.365, 8: 2.306, 9: 2.262,
     10: 2.228, 11: 2.201, 12: 2.179, 13: 2.160, 14: 2.145, 15: 2.131, 19: 2.093, 29: 2.045}
def t975(df):
    return T.get(df) or T[max(k for k in T if k <= df)]
def paired(a, b):
    """Median ratio a/b over rounds and the 95 % interval of the mean log ratio."""
    logs = [math.log(x / y) for x, y in zip(a, b)]
    mid = statistics.median(x / y for x, y in zip(a, b))
    if len(logs) < 2:
        return mid, float("nan"), float("nan")
    m, s = statistics.mean(logs), statistics.stdev(logs)
    h = t975(len(logs) - 1) * s / math.sqrt(len(logs))
    return mid, math.exp(m - h), math.exp(m + h)
def row(label, a, b, unit):
    mid, lo, hi = paired(a, b)
    print(f"| {label} | {statistics.median(a):.2f} {unit} | {(mid - 1) * 100:+.2f} % | "
          f"{(lo - 1) * 100:+.2f} .. {(hi - 1) * 100:+.2f} % |")
R = range(rounds)
print(f"{size}, {rounds} interleaved rounds")
base = "none" if "none" in variants else None
if base:
    print("\nchange against 'none' (every instrument off), median over rounds, 95 % interval\n")
    print("| variant, mode | median | change | 95 % interval |\n|---|---|---|---|")
for v in variants:
    if v == base:
        continue
    for mode in ("solid", "wire"):
        if base:
            row(f"{v}, {mode}", [median_ms(v, r, mode) for r in R], [median_ms(base, r, mode) for r in R], "ms")
    if base:
        row(f"{v}, processor time", [cpu[(r, v)] for r in R], [cpu[(r, base)] for r in R], "s")
if "default" in variants and "bare" in variants:
    print("\nprogram (default runner) over bare:\n")
    print("| mode | program ms | bare ms | program/bare | 95 % interval |\n|---|---|---|---|---|")
    for mode in ("solid", "wire"):
        p = [median_ms("default", r, mode) for r in R]
        b = [median_ms("bare", r, mode) for r in R]
        mid, lo, hi = paired(p, b)
        print(f"| {mode} | {statistics.median(p):.2f} | {statistics.median(b):.2f} | {mid:.3f} | {lo:.3f} .. {hi:.3f} |")
EOF
