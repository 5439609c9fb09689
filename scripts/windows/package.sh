#!/usr/bin/env bash
# Builds the Windows delivery: the Windows binaries (build.sh), then from them
#   Velin-Setup-<version>.exe   the installer (NSIS, packaging/windows/velin.nsi)
#   Velin-<version>-win64.zip   the portable zip (a folder Velin-<version> with the same files)
# in build-win/package/. Both hold Velin.exe and velin-cli.exe (stripped), font24x24.ttf, the
# default config.ini (the factory font map), README.txt (README.md with CRLF line ends) and
# licenses/ (the licences of everything shipped). The version is the project's (top
# CMakeLists.txt, project(... VERSION)).
#   VELIN_WIN_BUILD    Windows build tree (default: build-win)
#   VELIN_PACKAGE_OUT  where the two artefacts go (default: $VELIN_WIN_BUILD/package)
# The environment of build.sh applies too (VELIN_WIN_DEPS, VELIN_JOBS).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${VELIN_WIN_BUILD:-$root/build-win}
export VELIN_WIN_BUILD=$build

"$here/build.sh"
for tool in makensis zip x86_64-w64-mingw32-strip; do
  command -v "$tool" >/dev/null ||
    { echo "package.sh: $tool is missing; run scripts/setup.sh" >&2; exit 1; }
done

meta=$build/packaging/windows
version=$(sed -n 's/^!define VELIN_VERSION "\(.*\)"$/\1/p' "$meta/velin-build.nsh")
[ -n "$version" ] || { echo "package.sh: no version in $meta/velin-build.nsh" >&2; exit 1; }
out=${VELIN_PACKAGE_OUT:-$build/package}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$out/work
stage=$work/Velin-$version
rm -rf "$work"
mkdir -p "$stage/licenses"

app=$build/src/app
for f in "$app/Velin.exe" "$app/velin-cli.exe" "$app/font24x24.ttf" "$meta/config.ini"; do
  [ -f "$f" ] || { echo "package.sh: $f is missing" >&2; exit 1; }
done
x86_64-w64-mingw32-strip -o "$stage/Velin.exe" "$app/Velin.exe"
x86_64-w64-mingw32-strip -o "$stage/velin-cli.exe" "$app/velin-cli.exe"
cp "$app/font24x24.ttf" "$meta/config.ini" "$stage/"
sed 's/\r$//; s/$/\r/' "$root/README.md" >"$stage/README.txt"
cp "$root"/licenses/*.txt "$stage/licenses/"

# The staged files for the installer script, config.ini apart (it is never overwritten).
{
  echo "; Written by scripts/windows/package.sh: the files of Velin $version but config.ini."
  echo "!macro VELIN_INSTALL_FILES"
  (cd "$stage" && find . -type d | sort) | while read -r dir; do
    rel=${dir#.}
    echo "  SetOutPath \"\$INSTDIR${rel//\//\\}\""
    (cd "$stage/$dir" && find . -maxdepth 1 -type f ! -path ./config.ini -printf '%P\n' | sort) |
      while read -r file; do
        echo "  File \"$stage${rel}/$file\""
      done
  done
  echo "!macroend"
  echo "!macro VELIN_REMOVE_FILES"
  (cd "$stage" && find . -type f ! -path ./config.ini -printf '%P\n' | sort) | while read -r file; do
    echo "  Delete \"\$INSTDIR\\${file//\//\\}\""
  done
  (cd "$stage" && find . -mindepth 1 -type d -printf '%P\n' | sort -r) | while read -r dir; do
    echo "  RMDir \"\$INSTDIR\\${dir//\//\\}\""
  done
  echo "!macroend"
} >"$work/files.nsh"
cp "$meta/velin-build.nsh" "$work/"

installer=$out/Velin-Setup-$version.exe
archive=$out/Velin-$version-win64.zip
rm -f "$installer" "$archive"
makensis -V2 -INPUTCHARSET UTF8 -DPKG="$work" -DSTAGE="$stage" -DOUTFILE="$installer" \
  "$root/packaging/windows/velin.nsi"
(cd "$work" && zip -q -r -X "$archive" "Velin-$version")

for f in "$installer" "$archive"; do
  printf '%s  %s bytes\n' "$f" "$(stat -c %s "$f")"
done
