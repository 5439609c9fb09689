#!/usr/bin/env bash
# Nothing listens, at link level: the Windows binaries import no networking library. Reads
# the PE import tables of Velin.exe and velin-cli.exe (or the files given) with mingw-w64's
# objdump and fails on any import of Winsock (ws2_32, wsock32, mswsock), the HTTP and URL
# stacks (winhttp, wininet, urlmon), the name resolver (dnsapi), the IP helper (iphlpapi) or
# the Windows networking API (mpr, netapi32). Prints each binary's DLL list.
#   VELIN_WIN_BUILD  build tree (default: build-win)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${VELIN_WIN_BUILD:-$root/build-win}
objdump=${VELIN_OBJDUMP:-x86_64-w64-mingw32-objdump}
if [ $# -gt 0 ]; then
  binaries=("$@")
else
  binaries=("$build/src/app/Velin.exe" "$build/src/app/velin-cli.exe")
fi
forbidden='^(ws2_32|wsock32|mswsock|winhttp|wininet|urlmon|dnsapi|iphlpapi|mpr|netapi32)\.dll$'
status=0
checked=0
for binary in "${binaries[@]}"; do
  if [ ! -f "$binary" ]; then
    echo "SKIP imports of $binary: not built"
    continue
  fi
  dlls=$("$objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  if [ -z "$dlls" ]; then
    echo "FAIL imports of $binary: objdump listed no DLL"
    status=1
    continue
  fi
  checked=$((checked + 1))
  bad=$(grep -E "$forbidden" <<<"$dlls" || true)
  if [ -n "$bad" ]; then
    echo "FAIL imports of $(basename "$binary"): $(tr '\n' ' ' <<<"$bad")"
    status=1
  else
    echo "PASS imports of $(basename "$binary"): $(tr '\n' ' ' <<<"$dlls")"
  fi
done
[ "$checked" -gt 0 ] || { echo "check-imports: nothing to check" >&2; exit 1; }
exit $status
