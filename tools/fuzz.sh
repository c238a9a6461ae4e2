#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each one.
#   tools/fuzz.sh [seconds per target] [target ...]
# Seeds come from fuzz/corpus/<target>/ (made by make_fuzz_seeds, committed);
# new inputs go to build-fuzz/corpus/<target>/ so the repository stays small.
# The targets run side by side, one per processor. Any crash, leak or
# sanitizer report fails the run; the crashing input is left in
# build-fuzz/artifacts/ and the target's output in build-fuzz/logs/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
seconds=${1:-30}
shift || true

cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBF_FUZZ=ON -DBF_TESTS=OFF -DBF_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

mkdir -p build-fuzz/artifacts build-fuzz/logs
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# One target's run; its output goes to build-fuzz/logs/<target>.log.
fuzz_one() {
  local t=$1 work=build-fuzz/corpus/$1
  local dict=()
  mkdir -p "$work" "fuzz/corpus/$t"
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  "build-fuzz/fuzz/$t" "${dict[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    -rss_limit_mb=2048 -malloc_limit_mb=512 -artifact_prefix="build-fuzz/artifacts/$t-" \
    "$work" "fuzz/corpus/$t" >"build-fuzz/logs/$t.log" 2>&1 || true
}

# Each target is single-threaded, so run as many at once as there are
# processors; the run takes (targets / processors) x seconds.
parallel=$(nproc)
pending=()
for t in "${targets[@]}"; do
  fuzz_one "$t" &
  pending+=("$!")
  if [ ${#pending[@]} -ge "$parallel" ]; then
    wait "${pending[0]}"
    pending=("${pending[@]:1}")
  fi
done
wait

# libFuzzer exits non-zero on a finding and leaves the input as an artifact;
# report every target's summary, then fail on any artifact.
failed=0
for t in "${targets[@]}"; do
  echo "== $t for ${seconds}s"
  grep -E "^(stat::|#[0-9]+ +DONE|==[0-9]+==|SUMMARY|Done)" "build-fuzz/logs/$t.log" || true
  if ls build-fuzz/artifacts/"$t"-* >/dev/null 2>&1; then
    echo "fuzz: $t found a failing input: $(ls build-fuzz/artifacts/"$t"-*) (its output: build-fuzz/logs/$t.log)"
    failed=1
  fi
done
exit "$failed"
