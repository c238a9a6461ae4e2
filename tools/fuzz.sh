#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each one.
#   tools/fuzz.sh [seconds per target] [target ...]
# Seeds come from fuzz/corpus/<target>/ (made by make_fuzz_seeds, committed);
# new inputs go to build-fuzz/corpus/<target>/ so the repository stays small.
# Any crash, leak or sanitizer report fails the run; the crashing input is
# left in build-fuzz/artifacts/.
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

mkdir -p build-fuzz/artifacts
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for t in "${targets[@]}"; do
  echo "== $t for ${seconds}s"
  work=build-fuzz/corpus/$t
  mkdir -p "$work" "fuzz/corpus/$t"
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  "build-fuzz/fuzz/$t" "${dict[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    -rss_limit_mb=2048 -malloc_limit_mb=512 -artifact_prefix="build-fuzz/artifacts/$t-" \
    "$work" "fuzz/corpus/$t" 2>&1 | grep -E "^(stat::|#[0-9]+ +DONE|==[0-9]+==|SUMMARY|Done)" || true
  # libFuzzer exits non-zero on a finding; grep above hides its status, so
  # look for artifacts instead.
  if ls build-fuzz/artifacts/"$t"-* >/dev/null 2>&1; then
    echo "fuzz: $t found a failing input: $(ls build-fuzz/artifacts/"$t"-*)"
    exit 1
  fi
done
