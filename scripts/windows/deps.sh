#!/usr/bin/env bash
# Builds the third-party libraries of the Windows build with mingw-w64, once:
#   PCRE2, zlib and libpng (linked by the program) from Debian's source
#   packages (apt-get source), GoogleTest from /usr/src/googletest (package googletest).
# Usage: deps.sh PREFIX_DIR. Everything lands in PREFIX_DIR/{include,lib}; a stamp per library
# makes a second run a no-op. The apt source list is derived from the system's own, into a
# temporary directory below PREFIX_DIR/.work, so the system's apt state is not touched.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cache=${1:?usage: deps.sh CACHE_DIR}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
prefix=$cache/prefix
work=$cache/.work
toolchain=$root/cmake/toolchain-mingw64.cmake
jobs=${VELIN_JOBS:-$(nproc)}
mkdir -p "$prefix" "$work"

log() { echo "windows deps: $*" >&2; }

# apt, pointed at a deb-src copy of the system's source list.
apt_src() {
  local apt=$work/apt
  if [ ! -f "$apt/updated" ]; then
    rm -rf "$apt"
    mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
    : >"$apt/sources.list"
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$apt/sources.list"
    fi
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      sed 's/^Types:.*/Types: deb-src/' "$f" >"$apt/sources.list.d/$(basename "$f")"
    done
    for f in /etc/apt/sources.list.d/*.list; do
      [ -f "$f" ] || continue
      sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >"$apt/sources.list.d/$(basename "$f")"
    done
    apt_opts "$apt"
    apt-get "${APT_OPTS[@]}" update >"$work/apt-update.log" 2>&1 ||
      { cat "$work/apt-update.log" >&2; exit 1; }
    touch "$apt/updated"
  fi
  apt_opts "$apt"
}

apt_opts() {
  APT_OPTS=(-q -o "Dir::Etc::sourcelist=$1/sources.list" -o "Dir::Etc::sourceparts=$1/sources.list.d"
    -o "Dir::State::Lists=$1/lists" -o "Dir::Cache=$1/cache" -o "APT::Sandbox::User=root"
    -o "Debug::NoLocking=1")
}

# Unpacks Debian's source package $1 into $work/src-$1 and prints the source tree's path.
fetch_source() {
  local pkg=$1 dir=$work/src-$1
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    apt_src
    # The newest version first; a suite whose mirror lacks some of the source files (a
    # security update, say) falls back to the next version listed.
    local version ok=""
    for version in $(apt-cache "${APT_OPTS[@]}" showsrc "$pkg" | sed -n 's/^Version: //p' |
      sort -u -r -V); do
      rm -rf "${dir:?}"/*
      if (cd "$dir" && apt-get "${APT_OPTS[@]}" source "$pkg=$version") \
        >>"$work/fetch-$pkg.log" 2>&1; then
        ok=1
        break
      fi
    done
    [ -n "$ok" ] || { cat "$work/fetch-$pkg.log" >&2; exit 1; }
    touch "$dir/.unpacked"
  fi
  find "$dir" -mindepth 1 -maxdepth 1 -type d -name "$pkg*" | head -n 1
}

cmake_install() {  # source build-dir extra-args...
  local src=$1 bld=$2
  shift 2
  cmake -G Ninja -S "$src" -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DVELIN_WIN_DEPS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >"$bld.log" 2>&1 &&
    nice -n 10 cmake --build "$bld" -j "$jobs" >>"$bld.log" 2>&1 &&
    cmake --install "$bld" >>"$bld.log" 2>&1 || { tail -n 40 "$bld.log" >&2; exit 1; }
}

if [ ! -f "$prefix/.pcre2" ]; then
  log "PCRE2"
  src=$(fetch_source pcre2)
  rm -rf "$work/build-pcre2"
  cmake_install "$src" "$work/build-pcre2" -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF \
    -DPCRE2_BUILD_PCRE2_32=OFF -DPCRE2_SUPPORT_UNICODE=ON -DPCRE2_SUPPORT_JIT=OFF \
    -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF
  # A static PCRE2 needs PCRE2_STATIC in its users, or pcre2.h declares DLL imports.
  sed -i '/^Cflags:/{/PCRE2_STATIC/!s/$/ -DPCRE2_STATIC/}' "$prefix"/lib/pkgconfig/libpcre2-*.pc
  touch "$prefix/.pcre2"
fi

if [ ! -f "$prefix/.zlib" ]; then
  log "zlib"
  src=$(fetch_source zlib)
  # Debian's zlib source has no Windows makefiles; the library is its top-level C files.
  rm -rf "$work/build-zlib"
  mkdir -p "$work/build-zlib" "$prefix/include" "$prefix/lib"
  (cd "$work/build-zlib" &&
    for c in "$src"/*.c; do
      nice -n 10 x86_64-w64-mingw32-gcc-posix -O2 -c "$c" -o "$(basename "$c" .c).o" || exit 1
    done &&
    x86_64-w64-mingw32-ar rcs libz.a ./*.o) >"$work/build-zlib.log" 2>&1 ||
    { tail -n 40 "$work/build-zlib.log" >&2; exit 1; }
  cp "$src/zlib.h" "$src/zconf.h" "$prefix/include/"
  cp "$work/build-zlib/libz.a" "$prefix/lib/"
  touch "$prefix/.zlib"
fi

# libpng: the program's PNG files.
if [ ! -f "$prefix/.libpng" ]; then
  log "libpng"
  src=$(fetch_source libpng1.6)
  rm -rf "$work/build-libpng"
  cmake_install "$src" "$work/build-libpng" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DZLIB_ROOT="$prefix" -DZLIB_LIBRARY="$prefix/lib/libz.a" \
    -DZLIB_INCLUDE_DIR="$prefix/include"
  touch "$prefix/.libpng"
fi

if [ ! -f "$prefix/.googletest" ]; then
  log "GoogleTest"
  [ -d /usr/src/googletest ] || { log "/usr/src/googletest missing (package googletest)"; exit 1; }
  rm -rf "$work/build-googletest"
  cmake_install /usr/src/googletest "$work/build-googletest" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  touch "$prefix/.googletest"
fi
