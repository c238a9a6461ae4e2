#!/usr/bin/env bash
# How often an A/B of one build against itself calls a change, and how
# long it takes: TRIES A/Bs, one after another, of BUILD's boxfield_runner
# against itself, NEW with --add-work PERCENT (0: an A/A), --pairs auto and
# the default 10-minute cap, flying the flight given (default: the ab tour
# at 160x90 on the real clock). Prints each try's verdicts, pairs, minutes
# and the smallest change it could have seen, then the counts per mode.
# Driver and allocator settings come from the environment, as for any A/B,
# e.g. with the settings docs/benchmarking.md recommends for llvmpipe:
#   LP_NUM_THREADS=0 GLIBC_TUNABLES=glibc.malloc.trim_threshold=268435456 \
#     bash bench/ab_measure.sh build 10 5
#   bash bench/ab_measure.sh build 5 10 --tour ab --size 320x180 --real-clock
# Every try's reports, ab.json and ab.png stay in build/ab-measure/.
set -euo pipefail

if [ $# -lt 3 ]; then
  echo "usage: bash bench/ab_measure.sh BUILD TRIES PERCENT [FLIGHT OPTIONS...]" >&2
  exit 2
fi
build=$1 tries=$2 percent=$3
shift 3
flight=("$@")
[ ${#flight[@]} -gt 0 ] || flight=(--tour ab --size 160x90 --real-clock)
runner="$build/tools/boxfield_runner"
[ -x "$runner" ] || { echo "ab_measure: no $runner (build it first)" >&2; exit 2; }
case "$tries" in '' | *[!0-9]*) echo "ab_measure: TRIES is a count" >&2; exit 2 ;; esac
new="$runner"
[ "$percent" = 0 ] || new="$runner --add-work $percent"
out="$build/ab-measure/work-$percent"
mkdir -p "$out"

what="an A/A"
[ "$percent" = 0 ] || what="NEW with --add-work $percent"
echo "A/B of $runner against itself, $what; flight: ${flight[*]}"
echo "driver settings: $(env | grep -E '^(LP_|GALLIUM_|MESA_|LIBGL_|GLIBC_TUNABLES=|MALLOC_)' | tr '\n' ' ')"
printf '%-4s %-7s %s\n' try status "per mode: verdict ratio (interval) pairs detectable; minutes"
for t in $(seq 1 "$tries"); do
  status=0
  "$runner" --ab --base "$runner" --new "$new" --out "$out/$t" -- "${flight[@]}" \
    >"$out/$t.out" 2>"$out/$t.err" || status=$?
  line=$(awk '/^RESULT ab /{
      for (i = 3; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
      printf "%s %s %s (%s..%s) %s %s%%; ", v["mode"], v["verdict"], v["ratio"], v["ci_low"], v["ci_high"],
        v["pairs"], v["detectable_percent"]
    }
    /^pairs: / { minutes = $4 }
    END { printf "%s min", minutes }' "$out/$t.out")
  printf '%-4s %-7s %s\n' "$t" "$status" "$line"
done
echo "verdicts over $tries tries:"
cat "$out"/[0-9]*.out | awk '/^RESULT ab /{ split($3, m, "="); split($7, v, "="); n[m[2] " " v[2]]++ }
  END { for (k in n) printf "  %s: %d\n", k, n[k] }' | sort
