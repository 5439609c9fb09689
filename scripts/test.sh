#!/usr/bin/env bash
# Sets up, builds and runs every test: the native suite, the same suite under ASan+UBSan,
# a bounded fuzzing run, and (once the Windows build exists) the Windows tests under Wine,
# then the installer and the zip (scripts/windows/package.sh), tested under Wine too.
# Environment: VELIN_FUZZ_SECONDS (default 20 per target, scripts/fuzz.sh), VELIN_SKIP_WINDOWS=1, VELIN_SKIP_ASAN=1.
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
VELIN_FUZZ_SECONDS="${VELIN_FUZZ_SECONDS:-20}" VELIN_FUZZ_JOBS="$jobs" "$root/scripts/fuzz.sh"

if [ "${VELIN_SKIP_WINDOWS:-0}" != 1 ] && [ -x "$root/scripts/windows/test.sh" ]; then
  step "Windows build and tests under Wine"
  "$root/scripts/windows/build.sh"
  VELIN_NATIVE_CLI="$root/build/src/app/velin-cli" "$root/scripts/windows/test.sh"
  step "Windows installer and zip, tested under Wine"
  "$root/scripts/windows/package.sh"
  "$root/scripts/windows/test-package.sh"
fi
step "all tests passed"
