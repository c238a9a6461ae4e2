#!/usr/bin/env bash
# A bisect with a known answer: a temporary git repository of COMMITS
# commits whose committed run script flies BUILD's boxfield_runner, with
# --add-work PERCENT from commit SLOW on (1-based); `boxfield_runner
# --bisect` over the whole range, with the A/B options and the flight given
# (default: --threshold 3 and the ab tour at 160x90 on the real clock), must
# name commit SLOW. Prints the bisect's output and a last line saying
# whether it named the right commit; the output, the worktrees and every
# A/B stay in BUILD/bisect-measure/. Driver and allocator settings come
# from the environment, as for any A/B, e.g.
#   LP_NUM_THREADS=0 GLIBC_TUNABLES=glibc.malloc.trim_threshold=268435456 \
#     bash bench/bisect_measure.sh build 8 5 8
#   bash bench/bisect_measure.sh build 8 5 8 --threshold 4 -- --tour ab --size 160x90 --real-clock
# Exit status: 0 the right commit named, 1 otherwise, 2 usage.
set -uo pipefail

usage() {
  echo "usage: bash bench/bisect_measure.sh BUILD COMMITS SLOW PERCENT [A/B OPTIONS... -- FLIGHT OPTIONS...]" >&2
  exit 2
}
[ $# -ge 4 ] || usage
build=$1 commits=$2 slow=$3 percent=$4
shift 4
for n in "$commits" "$slow"; do
  case "$n" in '' | *[!0-9]*) usage ;; esac
done
[ "$slow" -ge 2 ] && [ "$slow" -le "$commits" ] || { echo "bisect_measure: SLOW must be 2..COMMITS" >&2; exit 2; }
args=("$@")
[ ${#args[@]} -gt 0 ] || args=(--threshold 3 -- --tour ab --size 160x90 --real-clock)
runner=$(realpath "$build/tools/boxfield_runner" 2>/dev/null) && [ -x "$runner" ] ||
  { echo "bisect_measure: no $build/tools/boxfield_runner (build it first)" >&2; exit 2; }

out=$(realpath "$build")/bisect-measure
rm -rf "$out" && mkdir -p "$out/repo" && cd "$out/repo" || exit 1
git init -q && git config user.email bisect@example.com && git config user.name bisect || exit 1
export BF_BISECT_RUNNER=$runner
for i in $(seq 1 "$commits"); do
  if [ "$i" = "$slow" ]; then
    echo "exec \"\$BF_BISECT_RUNNER\" --add-work $percent \"\$@\"" >run.sh
    subject="step $i: $percent % more work per frame"
  else
    [ "$i" = 1 ] && echo 'exec "$BF_BISECT_RUNNER" "$@"' >run.sh
    echo "$i" >notes.txt
    subject="step $i: notes"
  fi
  git add -A && git commit -q -m "$subject" || exit 1
  [ "$i" = "$slow" ] && expected=$(git rev-parse HEAD)
done

echo "bisect of $commits commits, --add-work $percent from step $slow ($expected); options: ${args[*]}"
echo "driver settings: $(env | grep -E '^(LP_|GALLIUM_|MESA_|LIBGL_|GLIBC_TUNABLES=|MALLOC_)' | tr '\n' ' ')"
start=$(date +%s)
status=0
"$runner" --bisect --good "HEAD~$((commits - 1))" --bad HEAD --build true --run 'sh run.sh' \
  --worktrees "$out/trees" --out "$out/bisect" "${args[@]}" >"$out/bisect.txt" 2>"$out/bisect.err" || status=$?
cat "$out/bisect.txt"
minutes=$(awk -v s="$start" -v e="$(date +%s)" 'BEGIN { printf "%.1f", (e - s) / 60 }')
if [ "$status" = 0 ] && grep -q "^RESULT bisect outcome=found first_bad=$expected " "$out/bisect.txt"; then
  echo "bisect_measure: named step $slow, status 0, $minutes min"
  exit 0
fi
echo "bisect_measure: did not name step $slow (status $status, $minutes min); see $out/bisect.err"
exit 1
