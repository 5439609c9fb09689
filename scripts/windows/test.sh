#!/usr/bin/env bash
# Runs the Windows test executables of build-win/ (scripts/windows/build.sh) under Wine, each
# directly with --gtest_brief=1; then decodes the label pages that the rendered-label test wrote
# with the native decoder (zxing-cpp exists only in the native build), and compares the Windows
# and Linux builds: the ANSI codec (compare-codec.sh) and the velin-cli trace outputs
# (compare-trace.sh). Wine runs in a throwaway prefix below the build tree, in the zh_CN locale
# (ANSI code page 936), with an Xvfb display when no display is set. The CUPS capture queue is
# set up first (scripts/cups-test-queue.sh), so the spooler tests do not skip.
#   VELIN_WIN_BUILD      Windows build tree (default: build-win)
#   VELIN_TEST_TIMEOUT   seconds allowed per test executable (default: 300)
#   VELIN_NATIVE_CLI     the Linux velin-cli (see compare-trace.sh); the native decoder
#                        velin_decode_pages is taken from (or built in) the same build tree
#   VELIN_NATIVE_DECODER the native decoder itself, when it lives elsewhere
#   VELIN_SKIP_TRACE_COMPARE=1  skips the two Linux/Windows comparisons
# Extra arguments go to every test executable (for instance --gtest_filter=...).
# Prints one line per executable and closes with "wine: N passed, N failed, N skipped" (tests
# counted). An executable that runs no test at all fails, having shown nothing: every test
# skipped, or none there (when arguments select tests, an executable that has none of them is
# only noted).
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

# One wineserver for the whole run, instead of one started per executable.
WINEPREFIX=$WINEPREFIX wineserver -p >/dev/null 2>&1 </dev/null || true

passed=0
failed=0
skipped=0
status=0
logs=$build/test-logs
mkdir -p "$logs"

if [ -x "$velin_root/scripts/cups-test-queue.sh" ]; then
  "$velin_root/scripts/cups-test-queue.sh" </dev/null >"$logs/cups-test-queue.log" 2>&1 ||
    echo "test.sh: the CUPS capture queue is unavailable (see $logs/cups-test-queue.log)"
fi

# The reasons of the skipped tests in a log (gtest prints "FILE:LINE: Skipped", then the reason).
skip_reasons() {
  tr -d '\r' <"$1" | grep -A1 ': Skipped$' | grep -v -e '^--$' -e ': Skipped$' | sort -u | head -n 5
}

# Written afresh by the rendered-label test for the native decoding step below.
pages=$build/rendered-pages
rm -rf "$pages"

for exe in "${executables[@]}"; do
  name=$(basename "$exe" .exe)
  start=$(date +%s)
  timeout "$timeout_s" bash -c '. "$1/wine-env.sh"; shift; velin_wine "$@"' _ "$here" \
    "$exe" --gtest_brief=1 "$@" >"$logs/$name.log" 2>&1
  rc=$?
  seconds=$(($(date +%s) - start))
  ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$logs/$name.log" | tail -n 1)
  skip=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?\..*/\1/p' "$logs/$name.log" | tail -n 1)
  # With --gtest_brief each failed test has one "[  FAILED  ] Suite.Name (N ms)" line.
  bad=$(grep -c '^\[  FAILED  \] [^ ]*\.[^ ]* (' "$logs/$name.log")
  [ "$bad" -gt 0 ] || bad=""
  passed=$((passed + ${ok:-0}))
  failed=$((failed + ${bad:-0}))
  skipped=$((skipped + ${skip:-0}))
  skip_note=""
  [ -n "$skip" ] && skip_note=", $skip skipped"
  if [ "$rc" -eq 0 ] && [ "${ok:-0}" -eq 0 ] && [ -z "$skip" ] && [ $# -gt 0 ]; then
    echo "NONE $name: the arguments select no test here"
  elif [ "$rc" -eq 0 ] && [ "${ok:-0}" -eq 0 ]; then
    echo "FAIL $name ran no test (${skip:-0} skipped, ${seconds}s); log: $logs/$name.log"
    skip_reasons "$logs/$name.log" | sed 's/^/  skipped: /'
    failed=$((failed + 1))
    status=1
  elif [ "$rc" -eq 0 ]; then
    echo "PASS $name (${ok:-0} tests$skip_note, ${seconds}s)"
    [ -z "$skip" ] || skip_reasons "$logs/$name.log" | sed 's/^/  skipped: /'
  else
    [ "$rc" -eq 124 ] && echo "TIMEOUT $name after ${timeout_s}s"
    echo "FAIL $name (exit $rc, ${seconds}s); log: $logs/$name.log"
    grep -E '^\[  FAILED  \]|Failure|error' "$logs/$name.log" | head -n 40
    [ -n "$bad" ] || failed=$((failed + 1))  # a crash or timeout counts as one failure
    status=1
  fi
done

# The pages the rendered-label test wrote, read by the native decoder.
decoder=${VELIN_NATIVE_DECODER:-}
if [ -z "$decoder" ]; then
  native_build=$velin_root/build
  [ -n "${VELIN_NATIVE_CLI:-}" ] && native_build=$(cd "$(dirname "$VELIN_NATIVE_CLI")/../.." && pwd)
  decoder=$native_build/tests/velin_decode_pages
  if [ ! -x "$decoder" ] && [ -f "$native_build/build.ninja" ]; then
    nice -n 10 cmake --build "$native_build" --target velin_decode_pages >"$logs/decoder-build.log" 2>&1 ||
      tail -n 20 "$logs/decoder-build.log"
  fi
fi
if [ ! -f "$pages/manifest.txt" ] && [ $# -gt 0 ]; then
  echo "SKIP native decoding of the rendered labels: the filtered run wrote no pages"
elif [ ! -x "$decoder" ]; then
  echo "FAIL native decoding of the rendered labels: no decoder at $decoder (build the native tree, or set VELIN_NATIVE_DECODER)"
  failed=$((failed + 1))
  status=1
elif "$decoder" "$pages/manifest.txt" >"$logs/decode-pages.log" 2>&1; then
  echo "PASS native decoding of the rendered labels ($(grep -c '^ok ' "$logs/decode-pages.log") pages)"
  passed=$((passed + 1))
else
  echo "FAIL native decoding of the rendered labels; log: $logs/decode-pages.log"
  grep -v '^ok ' "$logs/decode-pages.log" | head -n 30
  failed=$((failed + 1))
  status=1
fi

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

# Nothing listens, at link level: no networking library in Velin.exe's or velin-cli.exe's
# import tables. Counts as one test.
if VELIN_WIN_BUILD=$build "$here/check-imports.sh"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  status=1
fi

echo "wine: $passed passed, $failed failed, $skipped skipped"
exit $status
