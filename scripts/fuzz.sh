#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/*.cpp, clang, ASan+UBSan) and runs each for a fixed time,
# one after another, each from its committed corpus fuzz/corpus/<target>/ (copied into the
# build tree, where the run adds what it finds). A crash, leak or timeout fails the run and
# leaves its input as build-fuzz/artifacts/<target>-crash-...; keep it as a regression case
# under fuzz/corpus/<target>/ once fixed.
#
#   scripts/fuzz.sh                      every target, VELIN_FUZZ_SECONDS (default 20) each
#   scripts/fuzz.sh fuzz_qr fuzz_ini     those targets only
# Environment: VELIN_FUZZ_SECONDS, VELIN_FUZZ_BUILD (default build-fuzz), VELIN_FUZZ_JOBS
# (build jobs, default nproc), VELIN_FUZZ_ARGS (more libFuzzer flags, e.g. -runs=1000000).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELIN_FUZZ_BUILD:-$root/build-fuzz}
seconds=${VELIN_FUZZ_SECONDS:-20}
jobs=${VELIN_FUZZ_JOBS:-$(nproc)}

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in "$root"/fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELIN_BUILD_FUZZ=ON -DVELIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

mkdir -p "$build/artifacts"
failed=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  cp "$root/fuzz/corpus/$target"/* "$corpus/" 2>/dev/null || true
  log="$build/$target.log"
  echo "== $target: ${seconds}s"
  # shellcheck disable=SC2086
  if "$build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 \
      -timeout=25 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
      ${VELIN_FUZZ_ARGS:-} "$corpus" >"$log" 2>&1; then
    grep -E '^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$log" || true
  else
    failed=1
    echo "!! $target failed; its log: $log"
    grep -E -A30 'ERROR|SUMMARY|deadly signal|Test unit written' "$log" | head -60 || true
  fi
done
exit $failed
