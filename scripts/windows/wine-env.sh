# Sourced by the Windows scripts: the environment in which Wine runs our executables.
#   VELIN_WIN_BUILD  the Windows build tree (default: build-win in the repository)
#   WINEPREFIX       a throwaway prefix below the build tree unless set by the caller
#   VELIN_WINE       the Wine loader (default: Debian's 64-bit loader, else wine)
#   VELIN_NATIVE_CLI the Linux velin-cli that the comparisons run beside the Windows one; when
#                    unset it is built (tests off) in VELIN_NATIVE_BUILD (default:
#                    build-winhelper)
# Wine runs in the zh_CN locale, so the ANSI code page (CP_ACP) is 936 as on the users'
# machines. When the system lacks that locale, it is compiled into the build tree (LOCPATH).
velin_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
VELIN_WIN_BUILD=${VELIN_WIN_BUILD:-$velin_root/build-win}
export WINEPREFIX=${WINEPREFIX:-$VELIN_WIN_BUILD/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# No Mono or Gecko download prompts when the prefix is created.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset LANGUAGE
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
  if [ ! -d "$VELIN_WIN_BUILD/locale/zh_CN.UTF-8" ]; then
    mkdir -p "$VELIN_WIN_BUILD/locale"
    localedef -i zh_CN -f UTF-8 "$VELIN_WIN_BUILD/locale/zh_CN.UTF-8" >/dev/null 2>&1 || true
  fi
  export LOCPATH=$VELIN_WIN_BUILD/locale
fi

# Debian's wine wrapper complains on every start when the 32-bit half is not installed;
# our executables are 64-bit, so the 64-bit loader is used directly where it exists.
if [ -z "${VELIN_WINE:-}" ]; then
  VELIN_WINE=wine
  [ -x /usr/lib/wine/wine64 ] && VELIN_WINE=/usr/lib/wine/wine64
fi

# LC_ALL is given to Wine alone: the shell itself may not know the locale (LOCPATH).
velin_wine() {
  env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$@"
}

# Prints the path of the Linux velin-cli (VELIN_NATIVE_CLI), building it first when unset;
# the build's output goes to logs in the Windows build tree.
velin_native_cli() {
  if [ -n "${VELIN_NATIVE_CLI:-}" ]; then
    echo "$VELIN_NATIVE_CLI"
    return 0
  fi
  local native_build=${VELIN_NATIVE_BUILD:-$velin_root/build-winhelper}
  if [ ! -f "$native_build/build.ninja" ]; then
    cmake -G Ninja -S "$velin_root" -B "$native_build" -DCMAKE_BUILD_TYPE=Release \
      -DVELIN_BUILD_TESTS=OFF >"$VELIN_WIN_BUILD/native-configure.log" 2>&1 ||
      { cat "$VELIN_WIN_BUILD/native-configure.log" >&2; return 1; }
  fi
  nice -n 10 cmake --build "$native_build" --target velin-cli -j "${VELIN_JOBS:-$(nproc)}" \
    >"$VELIN_WIN_BUILD/native-build.log" 2>&1 ||
    { tail -n 30 "$VELIN_WIN_BUILD/native-build.log" >&2; return 1; }
  echo "$native_build/src/app/velin-cli"
}
