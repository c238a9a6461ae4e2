#!/usr/bin/env bash
# The headless backend on both EGL paths: the reference tour drawn on Mesa's
# surfaceless platform, then on the device platform (BF_EGL_PLATFORM=device,
# Mesa's software device with a pbuffer) must give the same pictures to the
# last bit; the device platform's framebuffer-object fallback must give
# nearly the same solid-mode pictures (Mesa draws window-system buffers
# upside down, so a few edge pixels and many line pixels fall differently);
# and the runner names the path used; a trace of a run has one
# eglSwapBuffers per frame.
# An unknown BF_EGL_PLATFORM is refused with a line naming it.
# Arguments: boxfield_runner, an output folder.
set -uo pipefail
runner=$1 out=$2
rm -rf "$out" && mkdir -p "$out"
fail() { echo "FAIL: $*"; exit 1; }

# $1: the report; $2: a pattern its egl platform must match.
check_egl() {
  python3 - "$1" "$2" "$3" <<'EOF' || fail "$1: egl is not $2 with $3 swaps"
import json, re, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
egl, swaps = d["environment"]["egl"], d["egl_frames_swapped"]
print(f"{sys.argv[1]}: egl {egl!r}, {swaps} swaps")
sys.exit(0 if re.fullmatch(sys.argv[2], egl) and swaps == int(sys.argv[3]) else 1)
EOF
}

# One pass each: the frames and swaps counted are the tour's.
one=(--runs 1 --warmup 0)

BF_EGL_PLATFORM=surfaceless "$runner" "${one[@]}" --tour reference --size 320x180 --out "$out/surfaceless" \
  || fail "surfaceless run"
check_egl "$out/surfaceless/report.json" "surfaceless \\(.*\\), pbuffer" 86

output=$(BF_EGL_PLATFORM=device "$runner" "${one[@]}" --tour reference --size 320x180 --out "$out/device" \
  --validate "$out/surfaceless" --tolerance 0 --max-differing 0) || { echo "$output"; fail "device run"; }
echo "$output"
grep -q '^  EGL         device [0-9]* (.*), pbuffer$' <<<"$output" && grep -q '^EGL: eglSwapBuffers after 86 of 86 frames$' <<<"$output" \
  || fail "no EGL line naming the device"
[ "$(grep -c '^same frame' <<<"$output")" -eq 4 ] || fail "not every shot the same"
check_egl "$out/device/report.json" "device [0-9]+ \\(.*\\), pbuffer" 86

# The reference tour up to its solid shot from inside the field.
"$runner" --print-tour reference | awk '$1 + 0 <= 70 && $2 != "" && $1 !~ /^#/' >"$out/solid.txt"
echo "71 end" >>"$out/solid.txt"
output=$(BF_EGL_PLATFORM=device-fbo "$runner" "${one[@]}" --script "$out/solid.txt" --size 320x180 --out "$out/fbo" \
  --validate "$out/surfaceless" --tolerance 2 --max-differing 64) || { echo "$output"; fail "device-fbo run"; }
echo "$output"
[ "$(grep -c '^same frame' <<<"$output")" -eq 2 ] || fail "not both solid shots nearly the same"
# No surface to swap: the frames end without eglSwapBuffers.
check_egl "$out/fbo/report.json" "device [0-9]+ \\(.*\\), framebuffer object" 0

# A tracer sees every frame end (tools/setup.sh installs apitrace).
if command -v apitrace >/dev/null; then
  apitrace trace --api egl -o "$out/run.trace" "$runner" "${one[@]}" --tour reference --size 160x90 --out "$out/traced" \
    >/dev/null 2>&1 || fail "traced run"
  swaps=$(apitrace dump "$out/run.trace" | grep -c 'eglSwapBuffers(')
  [ "$swaps" -eq 86 ] || fail "the trace holds $swaps eglSwapBuffers calls for 86 frames"
else
  echo "apitrace not installed: trace check skipped"
fi

errors=$(BF_EGL_PLATFORM=bogus "$runner" --tour reference --size 160x90 --out "$out/bogus" 2>&1 >/dev/null)
grep -q 'BF_EGL_PLATFORM=bogus is not auto, surfaceless, device or device-fbo' <<<"$errors" \
  || fail "unknown platform not refused: $errors"
[ ! -f "$out/bogus/report.json" ] || fail "a report after the refusal"
echo "both EGL paths give the same pictures"
