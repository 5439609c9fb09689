#!/usr/bin/env bash
# Replays every sample label (examples/*.cpcl, *.tspl) through `velin-cli trace` built for
# Windows (under Wine) and for Linux, and compares the two outputs byte for byte.
#   VELIN_WIN_BUILD     Windows build tree holding src/app/velin-cli.exe (default: build-win)
#   VELIN_NATIVE_CLI    the Linux velin-cli; when unset it is built (tests off) in
#                       VELIN_NATIVE_BUILD (default: build-winhelper)
# Both read the same config.ini (CRLF, GBK, names in mixed case), so the two INI backends are
# compared too. Exit status 0 when every sample traces identically.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
root=$velin_root
win_cli=$VELIN_WIN_BUILD/src/app/velin-cli.exe
[ -f "$win_cli" ] || { echo "compare-trace: $win_cli missing; run build.sh" >&2; exit 1; }

native_cli=$(velin_native_cli)

work=$VELIN_WIN_BUILD/compare-trace
rm -rf "$work"
mkdir -p "$work"
# The configuration both programs read: CRLF line ends, GBK text, names in mixed case.
printf '[System]\r\nPrinter=Label Printer\r\nTransfer_Mode=1\r\n\r\n[55]\r\nFONT=\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA\r\nfontsize=0x10\r\n[8]\r\nfont = "SimHei" \r\n' \
  >"$work/config.ini"

shopt -s nullglob
samples=("$root"/examples/*.cpcl "$root"/examples/*.tspl)
[ ${#samples[@]} -gt 0 ] || { echo "compare-trace: no samples in examples/" >&2; exit 1; }
same=0
differ=0
for sample in "${samples[@]}"; do
  name=$(basename "$sample")
  mode=cpcl
  [[ $name == *.tspl ]] && mode=tspl
  set +e
  "$native_cli" trace --mode "$mode" --config "$work/config.ini" "$sample" >"$work/$name.linux" \
    2>"$work/$name.linux.err"
  linux_rc=$?
  velin_wine "$win_cli" trace --mode "$mode" --config "$work/config.ini" "$sample" \
    >"$work/$name.windows" 2>"$work/$name.windows.err"
  windows_rc=$?
  set -e
  if [ "$linux_rc" -eq "$windows_rc" ] && cmp -s "$work/$name.linux" "$work/$name.windows"; then
    same=$((same + 1))
  else
    differ=$((differ + 1))
    echo "compare-trace: $name differs (exit $linux_rc on Linux, $windows_rc on Windows)"
    diff "$work/$name.linux" "$work/$name.windows" | head -n 20 || true
  fi
done
echo "compare-trace: $same of ${#samples[@]} samples trace identically on Windows and Linux"
[ "$differ" -eq 0 ]
