#!/usr/bin/env bash
# Sets up, builds and runs every test: the native suite, the same suite under ASan+UBSan,
# a bounded fuzzing run, and (once the Windows build exists) the Windows tests under Wine,
# then the installer and the zip (scripts/windows/package.sh), tested under Wine too.
# Environment: VELIN_FUZZ_SECONDS (default 60 per target), VELIN_SKIP_WINDOWS=1, VELIN_SKIP_ASAN=1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$root/scripts/setup.sh"

step() { printf '\n==== %s\n' "$*"; }

if [ -x "$root/scripts/cups-test-queue.sh" ]; then
  step "CUPS capture queue"
  "$root/scripts/cups-test-queue.sh" || echo "cups capture queue unavailable; printing tests will skip"
fi

step "native build and tests"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELIN_BUILD_BENCH=ON >/dev/null
cmake --build "$root/build" -j "$jobs"
(cd "$root/build" && ctest --output-on-failure -j "$jobs")

step ".deb package: install and removal"
"$root/scripts/test-deb.sh" "$root/build"

if [ "${VELIN_SKIP_ASAN:-0}" != 1 ]; then
  step "ASan+UBSan build and tests"
  cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELIN_SANITIZE=ON >/dev/null
  cmake --build "$root/build-asan" -j "$jobs"
  (cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs")
fi

step "fuzzing"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELIN_BUILD_FUZZ=ON -DVELIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build-fuzz" -j "$jobs" --target fuzz_interpreter
mkdir -p "$root/build-fuzz/corpus"
cp "$root"/examples/* "$root"/fuzz/corpus/* "$root/build-fuzz/corpus/" 2>/dev/null || true
"$root/build-fuzz/fuzz/fuzz_interpreter" -max_total_time="${VELIN_FUZZ_SECONDS:-60}" \
  -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 "$root/build-fuzz/corpus" 2>&1 | tail -15

if [ "${VELIN_SKIP_WINDOWS:-0}" != 1 ] && [ -x "$root/scripts/windows/test.sh" ]; then
  step "Windows build and tests under Wine"
  "$root/scripts/windows/build.sh"
  VELIN_NATIVE_CLI="$root/build/src/app/velin-cli" "$root/scripts/windows/test.sh"
  step "Windows installer and zip, tested under Wine"
  "$root/scripts/windows/package.sh"
  "$root/scripts/windows/test-package.sh"
fi
step "all tests passed"
