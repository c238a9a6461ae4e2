#!/usr/bin/env bash
# A real bisect: a temporary git repository of 6 commits whose committed
# run script flies the runner given in BF_BISECT_RUNNER, with 20 % added
# work per frame from the third commit on; `boxfield_runner --bisect` over
# the whole range (build command `true`, an A/B per revision tested: BAD,
# the third, then the second, the same build as GOOD) must name that third
# commit, print the A/B table that convicted it and keep that A/B's output
# under --out. A 15 % threshold lets the A/A before it come out SAME rather
# than undecided on a busy machine (at 10 %, with other builds running,
# solid frames stayed UNCERTAIN after 92 pairs: 0.97 .. 1.14), and 20 %
# more work still ends above it. The flight is the A/B test's: a dozen
# solid and eight wire frames at 160x90.
# Arguments: boxfield_runner, an output folder.
set -uo pipefail
runner=$(realpath "$1") out=$2
rm -rf "$out" && mkdir -p "$out"
fail() { echo "FAIL: $*"; exit 1; }
cd "$out" || exit 1
export BF_BISECT_RUNNER=$runner

mkdir repo && cd repo || exit 1
git init -q && git config user.email bisect@example.com && git config user.name bisect || fail "git init"
printf '1 move 0 0\n2 down W\n14 down M\n16 up M\n24 end\n' >flight.txt
commit() { git add -A && git commit -q -m "$1" || fail "commit $1"; }
echo 'exec "$BF_BISECT_RUNNER" "$@"' >run.sh
commit "step 1: the run script"
echo 2 >notes.txt
commit "step 2: notes"
echo 'exec "$BF_BISECT_RUNNER" --add-work 20 "$@"' >run.sh
commit "step 3: more work per frame"
slow=$(git rev-parse HEAD)
for i in 4 5 6; do echo "$i" >notes.txt; commit "step $i: notes"; done

"$runner" --bisect --good HEAD~5 --bad HEAD --build true --run 'sh run.sh' --worktrees "$out/trees" \
  --threshold 15 --max-seconds 300 --out "$out/bisect" -- --script flight.txt --size 160x90 --real-clock \
  >"$out/bisect.txt" 2>"$out/bisect.err"
status=$?
cat "$out/bisect.txt"
[ "$status" = 0 ] || { tail -20 "$out/bisect.err"; fail "bisect exited with $status"; }
grep -qx "First slower revision: $slow step 3: more work per frame" "$out/bisect.txt" ||
  fail "the first slower revision is not step 3 ($slow)"
grep -q "^RESULT bisect outcome=found first_bad=$slow " "$out/bisect.txt" || fail "no RESULT line naming $slow"
grep -Eq '^RESULT ab mode=solid .*verdict=SLOWER' "$out/bisect.txt" || fail "no convicting A/B table"
grep -q 'verdict=SLOWER' "$out/bisect/${slow:0:12}/ab-output.txt" || fail "the convicting A/B's output is not kept"
# Progress named revisions and their positions on standard error.
grep -Eq "revision ${slow:0:12} \(2 of 5, [0-9]+ left\)" "$out/bisect.err" || fail "no progress line for step 3"
# The user's checkout is untouched: still at step 6, no bisect in progress.
[ "$(git log -1 --format=%s)" = "step 6: notes" ] || fail "the checkout moved"
[ ! -e "$(git rev-parse --git-dir)/BISECT_LOG" ] || fail "a git bisect was left started"
echo "PASS"
