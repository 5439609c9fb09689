#!/usr/bin/env bash
# Measures Velin.exe under Wine (after scripts/windows/build.sh): how long the process takes
# to show its window, and the CPU it uses while idle (no receiver, window shown) over
# SECONDS (default 30), read from /proc for the program's process and for wineserver.
#   measure-idle.sh [SECONDS]
# Uses the test prefix and an Xvfb display like test.sh. Not part of the test run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
seconds=${1:-30}
exe=$VELIN_WIN_BUILD/src/app/Velin.exe
[ -f "$exe" ] || { echo "measure-idle: $exe missing; run scripts/windows/build.sh" >&2; exit 1; }

xvfb_pid=""
velin_pid=""
cleanup() {
  [ -n "$velin_pid" ] && kill "$velin_pid" 2>/dev/null
  WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 121 150); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 0.5
    kill -0 "$xvfb_pid" 2>/dev/null && { export DISPLAY=":$n"; break; }
    xvfb_pid=""
  done
fi

run=$(mktemp -d "$VELIN_WIN_BUILD/measure.XXXX")
cp "$exe" "$run/"
printf '[system]\r\ntransfer_mode=1\r\n' >"$run/config.ini"
# Wine started and warm first, so the figure is the program's own start.
velin_wine cmd /c exit >/dev/null 2>&1 || true

ticks=$(getconf CLK_TCK)
cpu_of() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
start=$(date +%s.%N)
env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$run/Velin.exe" &
velin_pid=$!
# The window is up when xwininfo finds it (Wine names X windows after their titles).
shown=""
for _ in $(seq 1 400); do
  if xwininfo -root -tree 2>/dev/null | grep -q 'Velin|'; then shown=$(date +%s.%N); break; fi
  sleep 0.02
done
[ -n "$shown" ] && echo "start-up: $(echo "$shown - $start" | bc) s from process start to window mapped"
sleep 3
server=$(pgrep -n wineserver || true)
a=$(cpu_of "$velin_pid"); b=$( [ -n "$server" ] && cpu_of "$server" || echo 0)
sleep "$seconds"
a2=$(cpu_of "$velin_pid"); b2=$( [ -n "$server" ] && cpu_of "$server" || echo 0)
echo "idle over ${seconds} s: Velin.exe $(echo "scale=2; 100 * ($a2 - $a) / $ticks / $seconds" | bc) % of one core," \
  "wineserver $(echo "scale=2; 100 * ($b2 - $b) / $ticks / $seconds" | bc) %"
rm -rf "$run"
