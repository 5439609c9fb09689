# Cross build for 64-bit Windows with mingw-w64 (Debian's g++-mingw-w64-x86-64-posix).
# Third-party libraries (PCRE2, zlib, GoogleTest) come from the prefix that
# scripts/windows/deps.sh builds; pass it as VELIN_WIN_DEPS_PREFIX (or the environment
# variable of the same name). Test executables run under Wine through scripts/windows/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELIN_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELIN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELIN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELIN_MINGW_TRIPLE}-windres)

if(NOT VELIN_WIN_DEPS_PREFIX AND DEFINED ENV{VELIN_WIN_DEPS_PREFIX})
  set(VELIN_WIN_DEPS_PREFIX $ENV{VELIN_WIN_DEPS_PREFIX})
endif()
# Toolchain files are read again by try_compile projects: hand the prefix on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELIN_WIN_DEPS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${VELIN_MINGW_TRIPLE})
if(VELIN_WIN_DEPS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VELIN_WIN_DEPS_PREFIX})
  list(APPEND CMAKE_PREFIX_PATH ${VELIN_WIN_DEPS_PREFIX})
  # pkg-config sees only the libraries built for Windows.
  set(ENV{PKG_CONFIG_LIBDIR} ${VELIN_WIN_DEPS_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe each: no libgcc/libstdc++/winpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Executables built here run under Wine; test discovery happens when ctest runs, not while
# building, since starting Wine per test executable at build time is slow.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-run.sh)
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
