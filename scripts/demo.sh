#!/usr/bin/env bash
# Sets up, builds, and runs the main job on the bundled sample label.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target velin-cli
"$root/build/src/app/velin-cli" trace --mode cpcl "$root/examples/waybill.cpcl"
