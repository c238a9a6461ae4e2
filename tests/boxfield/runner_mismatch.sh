#!/usr/bin/env bash
# The runner's validation must fail on a frame that is not the reference's:
# exit status 1, a line naming the frame and the differing pixels one per
# line.
# Arguments: boxfield_runner, tests/boxfield/reference_mismatch.txt, the
# reference folder, an output folder.
set -uo pipefail
runner=$1 script=$2 references=$3 out=$4
output=$("$runner" --script "$script" --size 640x360 --validate "$references" --out "$out")
status=$?
echo "$output"
[ "$status" -eq 1 ] || { echo "FAIL: exit status $status, wanted 1"; exit 1; }
grep -q '^DIFFERS frame 8 vs .*solid_outside.png: [0-9]* pixels differ by more than 24' <<<"$output" \
  || { echo "FAIL: no line naming the differing pixels"; exit 1; }
grep -Eq '^  \([0-9]+, [0-9]+\) got [0-9]+,[0-9]+,[0-9]+ expected [0-9]+,[0-9]+,[0-9]+$' <<<"$output" \
  || { echo "FAIL: the differing pixels are not listed one per line"; exit 1; }
[ -f "$out/solid_outside.diff.png" ] || { echo "FAIL: no diff picture"; exit 1; }
echo "validation refused the wrong frame"
