#!/usr/bin/env bash
# Runs the Windows test executables of build-win/ (scripts/windows/build.sh) under Wine, each
# directly with --gtest_brief=1, then compares the Windows and Linux builds: the ANSI codec
# (compare-codec.sh) and the velin-cli trace outputs (compare-trace.sh). Wine runs in a
# throwaway prefix below the build tree, in the zh_CN locale (ANSI code page 936), with an
# Xvfb display when no display is set.
#   VELIN_WIN_BUILD      Windows build tree (default: build-win)
#   VELIN_TEST_TIMEOUT   seconds allowed per test executable (default: 300)
#   VELIN_SKIP_TRACE_COMPARE=1  skips the two Linux/Windows comparisons
# Extra arguments go to every test executable (for instance --gtest_filter=...).
# Prints one line per executable and closes with "wine: N passed, N failed" (tests counted).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
build=$VELIN_WIN_BUILD
timeout_s=${VELIN_TEST_TIMEOUT:-300}

shopt -s nullglob
executables=("$build"/tests/velin_tests_*.exe)
if [ ${#executables[@]} -eq 0 ]; then
  echo "test.sh: no test executables in $build/tests; run scripts/windows/build.sh" >&2
  exit 1
fi
command -v "$VELIN_WINE" >/dev/null ||
  { echo "test.sh: Wine is missing; run scripts/setup.sh" >&2; exit 1; }

xvfb_pid=""
cleanup() {
  # Only what this script started: the prefix's own wineserver and our Xvfb.
  WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 0.5
    if kill -0 "$xvfb_pid" 2>/dev/null; then
      export DISPLAY=":$n"
      break
    fi
    xvfb_pid=""
  done
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test.sh: creating the Wine prefix $WINEPREFIX"
  velin_wine wineboot -i >"$build/wineboot.log" 2>&1
  WINEPREFIX=$WINEPREFIX wineserver -w
fi
# Without a window manager under Xvfb, Wine waits for one on every window shown or hidden
# (about 2 s each); unmanaged windows do not wait.
if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  velin_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  WINEPREFIX=$WINEPREFIX wineserver -w
fi

passed=0
failed=0
status=0
logs=$build/test-logs
mkdir -p "$logs"
for exe in "${executables[@]}"; do
  name=$(basename "$exe" .exe)
  start=$(date +%s)
  timeout "$timeout_s" bash -c '. "$1/wine-env.sh"; shift; velin_wine "$@"' _ "$here" \
    "$exe" --gtest_brief=1 "$@" >"$logs/$name.log" 2>&1
  rc=$?
  seconds=$(($(date +%s) - start))
  ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$logs/$name.log" | tail -n 1)
  # With --gtest_brief each failed test has one "[  FAILED  ] Suite.Name (N ms)" line.
  bad=$(grep -c '^\[  FAILED  \] [^ ]*\.[^ ]* (' "$logs/$name.log")
  [ "$bad" -gt 0 ] || bad=""
  passed=$((passed + ${ok:-0}))
  failed=$((failed + ${bad:-0}))
  if [ "$rc" -eq 0 ]; then
    echo "PASS $name (${ok:-0} tests, ${seconds}s)"
  else
    [ "$rc" -eq 124 ] && echo "TIMEOUT $name after ${timeout_s}s"
    echo "FAIL $name (exit $rc, ${seconds}s); log: $logs/$name.log"
    grep -E '^\[  FAILED  \]|Failure|error' "$logs/$name.log" | head -n 40
    [ -n "$bad" ] || failed=$((failed + 1))  # a crash or timeout counts as one failure
    status=1
  fi
done

# The Linux and Windows builds side by side: the ANSI codec on every input class, then
# velin-cli trace on every sample. Each comparison counts as one test.
if [ "${VELIN_SKIP_TRACE_COMPARE:-0}" != 1 ]; then
  for compare in compare-codec.sh compare-trace.sh; do
    if "$here/$compare"; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      status=1
    fi
  done
fi

echo "wine: $passed passed, $failed failed"
exit $status
