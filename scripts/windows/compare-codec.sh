#!/usr/bin/env bash
# Compares the ANSI code page codec of the Linux build with the Windows build's under Wine in
# the zh_CN locale (code page 936): `velin-cli codec-dump` writes the decoding of every byte
# and every two-byte sequence (alone and followed by "A"), some longer odd sequences, and the
# encoding of every BMP character and of malformed and non-BMP UTF-8; the two files must be
# byte for byte the same. On a difference it prints the first differing cases side by side and
# how many differ.
#   VELIN_WIN_BUILD     Windows build tree holding src/app/velin-cli.exe (default: build-win)
#   VELIN_NATIVE_CLI    the Linux velin-cli (built when unset; see wine-env.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
win_cli=$VELIN_WIN_BUILD/src/app/velin-cli.exe
[ -f "$win_cli" ] || { echo "compare-codec: $win_cli missing; run build.sh" >&2; exit 1; }
native_cli=$(velin_native_cli)

work=$VELIN_WIN_BUILD/compare-codec
rm -rf "$work"
mkdir -p "$work"
"$native_cli" codec-dump "$work/linux.txt"
velin_wine "$win_cli" codec-dump "$work/windows.txt" >"$work/windows.err" 2>&1 ||
  {
    echo "compare-codec: velin-cli.exe codec-dump failed" >&2
    cat "$work/windows.err" >&2
    exit 1
  }

cases=$(wc -l <"$work/linux.txt")
if cmp -s "$work/linux.txt" "$work/windows.txt"; then
  echo "compare-codec: all $cases cases decode and encode identically on Windows and Linux"
  exit 0
fi
# Both files list the same cases in the same order: show them side by side.
paste -d '\t' "$work/linux.txt" "$work/windows.txt" | awk -F '\t' -v cases="$cases" '
  $1 != $2 {
    if (++n <= 20) {
      if (n == 1) print "compare-codec: the first differences (case: Linux | Windows):"
      i = index($1, ":")
      print "  " substr($1, 1, i) substr($1, i + 1) "  |" substr($2, index($2, ":") + 1)
    }
  }
  END { print "compare-codec: " n " of " cases " cases differ between Windows and Linux" }'
exit 1
