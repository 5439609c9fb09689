#!/usr/bin/env bash
# Runs one Windows executable under Wine in the test environment (see wine-env.sh); the
# build's emulator for ctest, and usable by hand: wine-run.sh build-win/velin-cli.exe help
set -eo pipefail
# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"
velin_wine "$@"
