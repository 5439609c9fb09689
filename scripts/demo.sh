#!/usr/bin/env bash
# Sets up, builds, and runs the main job: the bundled CPCL waybill rendered to PNG pages.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target velin-cli
"$root/build/src/app/velin-cli" render --mode cpcl "$root/examples/waybill.cpcl" -o "$root/out"
