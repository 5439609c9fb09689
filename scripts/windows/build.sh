#!/usr/bin/env bash
# Builds the Windows binaries (velin-cli.exe and the test executables) with mingw-w64.
#   VELIN_WIN_BUILD  build tree (default: build-win in the repository)
#   VELIN_WIN_DEPS   cache of the third-party libraries built for Windows (default:
#                    $VELIN_WIN_BUILD/deps); built on the first run only
#   VELIN_JOBS       parallel jobs (default: the number of cores)
# Runs scripts/setup.sh first (a no-op once the packages of scripts/packages/*.txt are in).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
"$root/scripts/setup.sh"
build=${VELIN_WIN_BUILD:-$root/build-win}
deps=${VELIN_WIN_DEPS:-$build/deps}
jobs=${VELIN_JOBS:-$(nproc)}

for tool in x86_64-w64-mingw32-g++-posix cmake ninja pkg-config apt-get dpkg-source; do
  command -v "$tool" >/dev/null ||
    { echo "build.sh: $tool is missing; run scripts/setup.sh" >&2; exit 1; }
done

mkdir -p "$build"
VELIN_JOBS=$jobs "$here/deps.sh" "$deps"
deps=$(cd "$deps" && pwd)

if [ ! -f "$build/build.ninja" ]; then
  cmake -G Ninja -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
    -DVELIN_WIN_DEPS_PREFIX="$deps/prefix" \
    -DCMAKE_BUILD_TYPE="${VELIN_WIN_BUILD_TYPE:-Release}" \
    -DVELIN_BUILD_TESTS=ON
fi
nice -n 10 cmake --build "$build" -j "$jobs"
