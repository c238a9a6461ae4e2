#!/usr/bin/env bash
# Real A/B pairs of the runner against itself on a flight of a dozen solid
# and eight wire frames at a small size (wire frames cost the most): an A/A is never SLOWER or FASTER (and names no difference);
# the same build with --add-work 20 on the NEW side is SLOWER in every mode,
# names the added work and keeps every side's report; a flight option
# before -- is refused as a usage error. Verdicts, names and files only: no
# durations are checked.
# Arguments: boxfield_runner, an output folder.
set -uo pipefail
runner=$1 out=$2
rm -rf "$out" && mkdir -p "$out"
fail() { echo "FAIL: $*"; exit 1; }
cd "$out" || exit 1
printf '1 move 0 0\n2 down W\n14 down M\n16 up M\n24 end\n' >flight.txt
flight=(--script "$PWD/flight.txt" --size 160x90 --real-clock)

# ab NAME NEW [ARG...]: an A/B of the runner (BASE) against NEW; sets status.
ab() {
  local name=$1 next=$2
  shift 2
  status=0
  "$runner" --ab --base "$runner" --new "$next" --out "$name" "$@" -- "${flight[@]}" >"$name.out" 2>"$name.err" \
    || status=$?
  cat "$name.out"
}

# A/A with a 10 % threshold (a mode's false verdict at 3 % is the 5 % the
# statistics allow; at 10 % the interval would have to miss by far more).
ab aa "$runner" --pairs 6 --threshold 10
[ "$status" = 0 ] || [ "$status" = 4 ] || { cat aa.err; fail "A/A: status $status"; }
grep -Eq 'verdict=(SLOWER|FASTER)' aa.out && fail "A/A said SLOWER or FASTER"
[ "$(grep -c '^RESULT ab mode=' aa.out)" = 2 ] || fail "A/A: not one RESULT line per mode"
grep -Eqv '^RESULT ab mode=(solid|wire) ratio=[0-9]+\.[0-9]{4} ci_low=([0-9]+\.[0-9]{4}|n/a) ci_high=([0-9]+\.[0-9]{4}|n/a) verdict=(SAME|UNCERTAIN) pairs=6 detectable_percent=([0-9]+\.[0-9]|n/a)$' \
  <(grep '^RESULT ab' aa.out) && fail "A/A: a RESULT line out of form"
grep -q '^differences: none' aa.out || fail "A/A named a difference"
python3 - aa/ab.json <<'PYEOF' || fail "A/A: ab.json"
import json, os, sys
d = json.load(open(sys.argv[1]))
assert d["version"] == 1 and d["settings"]["pairs"] == 6 and len(d["pairs"]) == 6
assert [p["first"] for p in d["pairs"][:4]] == ["base", "new", "new", "base"]
for p in d["pairs"]:
    assert os.path.isfile(p["base_report"]) and os.path.isfile(p["new_report"]), p
    assert set(p["ratios"]) == {"solid", "wire"} and p["ratios"]["solid"]["time"] > 0
assert len({p["generation"] for p in d["pairs"]}) == 6
PYEOF

# 20 % more work per frame in NEW: SLOWER in every mode, status 1.
ab slower "$runner --add-work 20" --max-seconds 400
[ "$status" = 1 ] || { cat slower.err; fail "--add-work 20: status $status"; }
[ "$(grep -c 'verdict=SLOWER' slower.out)" = 2 ] || fail "--add-work 20 not SLOWER in both modes"
grep -q '^differs: added work (--add-work): "0 %" against "20 %"' slower.out || fail "added work not named"
[ -s slower/new-001/report.json ] && [ -e slower/base-001/stderr.txt ] || fail "the sides' files were not kept"
grep -q '"add_work_percent": 20' slower/new-001/report.json || fail "report does not record --add-work"

# A flight option before --: a usage error, no flight.
status=0
"$runner" --ab --base "$runner" --new "$runner" --size 160x90 >usage.out 2>usage.err || status=$?
[ "$status" = 2 ] && grep -q 'with --ab, flight options go after --' usage.err || fail "usage: $status $(cat usage.err)"
echo "A/B: A/A never SLOWER or FASTER, --add-work 20 SLOWER in both modes"
