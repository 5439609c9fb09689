#!/usr/bin/env bash
# Tests the Windows delivery that package.sh built (installer and zip in build-win/package),
# under Wine in a throwaway prefix (build-win/package-test, made afresh each run), in the
# zh_CN locale, with an Xvfb display when no display is set:
#   version     the staged executables' version resources carry the project's version;
#   language    the installer's window is titled in Chinese under zh_CN, in English under C;
#   busy        while a process holds Velin's mutex and does not close, a silent install
#               gives up with exit code 2 and installs nothing;
#   install     a silent install (/S) puts every file in place under
#               %LOCALAPPDATA%\Programs\Velin, adds the Start-menu shortcut and registers the
#               uninstaller (HKCU ...\Uninstall\Velin), without a start at logon;
#   start       the installed Velin.exe starts and shows its window;
#   upgrade     a silent install over it, while it runs, with /AUTOSTART: closes it, puts back
#               a damaged and a deleted file, keeps the user's edited config.ini, adds the
#               start at logon, which a later upgrade without /AUTOSTART keeps;
#   uninstall   a silent uninstall removes the files, the shortcut, the start at logon and the
#               registration, and keeps config.ini (/REMOVECONFIG not given);
#   uninstall-asks  an interactive uninstall (its buttons pressed from a second process)
#               asks about config.ini: No keeps it, Yes removes it and the folder;
#   uninstall-removeconfig  with /REMOVECONFIG nothing is left, not even the folder;
#   zip         the zip holds the same files; unpacked into a folder whose name has a space and
#               Chinese characters, its Velin.exe starts and shows its window.
# Prints PASS/FAIL per test and "package: N passed, N failed"; exits 1 on any failure.
#   VELIN_WIN_BUILD    Windows build tree (default: build-win)
#   VELIN_PACKAGE_OUT  where package.sh put the artefacts (default: $VELIN_WIN_BUILD/package)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${VELIN_WIN_BUILD:-$root/build-win}
scratch=$build/package-test
export WINEPREFIX=$scratch/wineprefix
# No menu entries or file associations for the Linux desktop from the shortcut the installer makes.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"

out=${VELIN_PACKAGE_OUT:-$build/package}
version=$(sed -n 's/^!define VELIN_VERSION "\(.*\)"$/\1/p' "$build/packaging/windows/velin-build.nsh" 2>/dev/null)
installer=$out/Velin-Setup-$version.exe
archive=$out/Velin-$version-win64.zip
stage=$out/work/Velin-$version
if [ -z "$version" ] || [ ! -f "$installer" ] || [ ! -f "$archive" ] || [ ! -d "$stage" ]; then
  echo "test-package.sh: no installer and zip in $out; run scripts/windows/package.sh" >&2
  exit 1
fi
for tool in xwininfo unzip; do
  command -v "$tool" >/dev/null || { echo "test-package.sh: $tool is missing; run scripts/setup.sh" >&2; exit 1; }
done

xvfb_pid=""
cleanup() {
  # Only what this script started: the prefix's wineserver (with every process of the prefix)
  # and our Xvfb.
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 121 150); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 0.5
    if kill -0 "$xvfb_pid" 2>/dev/null; then
      export DISPLAY=":$n"
      break
    fi
    xvfb_pid=""
  done
fi

# A wineserver left by an interrupted run would serve the new prefix from the old one's state.
[ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
rm -rf "$scratch"
mkdir -p "$scratch"
log=$scratch/wine.log
velin_wine wineboot -i >"$log" 2>&1
wineserver -w
# Unmanaged windows: no wait for a window manager on every window shown or hidden (Xvfb has none).
velin_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$log" 2>&1
wineserver -w
wineserver -p >/dev/null 2>&1 </dev/null

# The test helpers (packaging/windows/test), built with makensis.
helpers=$scratch/helpers
mkdir -p "$helpers"
for helper in mutex-holder uninstall-driver; do
  makensis -V1 -INPUTCHARSET UTF8 "-DOUTFILE=$helpers/$helper.exe" \
    "$root/packaging/windows/test/$helper.nsi" >>"$log" 2>&1
done

passed=0
failed=0
problems=()
problem() { problems+=("$*"); }
verdict() {
  if [ ${#problems[@]} -eq 0 ]; then
    echo "PASS $1"
    passed=$((passed + 1))
  else
    echo "FAIL $1"
    printf '  %s\n' "${problems[@]}"
    failed=$((failed + 1))
  fi
  problems=()
}

# Waits up to $1 seconds for the command that follows to succeed.
eventually() {
  local deadline=$(($(date +%s%N) + $1 * 1000000000))
  shift
  until "$@"; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
unix_path() { velin_wine winepath -u "$1" 2>>"$log" | tr -d '\r'; }
win_env() { velin_wine cmd /c echo "%$1%" 2>>"$log" | tr -d '\r'; }
# The data of registry value $2 of key $1, or nothing (reg prints "    NAME    REG_TYPE    DATA").
reg_value() {
  velin_wine reg query "$1" /v "$2" 2>>"$log" | tr -d '\r' | iconv -f GBK -t UTF-8 |
    sed -n "s/^ *$2 \+REG_[A-Z_]\+ *//p"
}
reg_key_exists() { velin_wine reg query "$1" >/dev/null 2>&1; }
# A viewable X window named after Velin's main window (Wine names X windows after their titles).
velin_window_shown() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | grep -F '"Velin|' | awk '{print $1}'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && return 0
  done
  return 1
}
# Starts Velin.exe $1 in the background: velin_pid is the Wine process.
start_velin() {
  (cd "$(dirname "$1")" && exec env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$1" >>"$log" 2>&1) &
  velin_pid=$!
}
gone() { ! kill -0 "$1" 2>/dev/null; }
# Staged files, relative, one a line.
staged_files() { (cd "$stage" && find . -type f -printf '%P\n' | sort); }
# Every staged file is in directory $1 byte for byte (config.ini too unless $2 is "keep-config").
check_files() {
  local f
  while read -r f; do
    [ "$f" = config.ini ] && [ "${2:-}" = keep-config ] && continue
    if [ ! -f "$1/$f" ]; then
      problem "$f is missing"
    elif ! cmp -s "$stage/$f" "$1/$f"; then
      problem "$f differs from the staged file"
    fi
  done < <(staged_files)
}

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velin'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
expected_dir_win="$(win_env LOCALAPPDATA)\\Programs\\Velin"
shortcut="$(unix_path "$(win_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")/Velin.lnk"

# version: FILEVERSION and PRODUCTVERSION of the fixed version information (after the
# signature FEEF04BD: structure version, file version MS, LS, product version MS, LS).
IFS=. read -r major minor patch <<<"$version"
for exe in Velin.exe velin-cli.exe; do
  offset=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$stage/$exe" | head -n 1 | cut -d: -f1)
  if [ -z "$offset" ]; then
    problem "$exe has no version resource"
    continue
  fi
  read -r file_ms file_ls product_ms product_ls < <(od -An -tu4 -j $((offset + 8)) -N16 "$stage/$exe")
  for kind in file product; do
    if [ "$kind" = file ]; then ms=$file_ms ls=$file_ls; else ms=$product_ms ls=$product_ls; fi
    got="$((ms >> 16)).$((ms & 0xFFFF)).$((ls >> 16))"
    [ "$got" = "$major.$minor.$patch" ] || problem "$exe: $kind version $got, not $version"
  done
done
verdict "version resources say $version"

# language: the installer's window in Chinese on a Chinese system, in English otherwise
window_named() { xwininfo -root -tree 2>/dev/null | grep -qF "\"$1\""; }
for pair in "zh_CN.UTF-8=Velin $version 安装" "C.UTF-8=Velin $version Setup"; do
  (exec env LC_ALL="${pair%%=*}" "$VELIN_WINE" "$installer" >>"$log" 2>&1) &
  setup_pid=$!
  eventually 20 window_named "${pair#*=}" || problem "${pair%%=*}: no window \"${pair#*=}\""
  kill "$setup_pid" 2>/dev/null
  wait "$setup_pid" 2>/dev/null
done
verdict "installer speaks Chinese, and English on other systems"

# busy: a process holding Velin's mutex that no WM_CLOSE ends
if [ -f "$helpers/mutex-holder.exe" ]; then
  (exec env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$helpers/mutex-holder.exe" >>"$log" 2>&1) &
  holder_pid=$!
  if eventually 20 test -e "$helpers/held"; then
    timeout 120 env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$installer" /S >>"$log" 2>&1
    rc=$?
    [ "$rc" -eq 2 ] || problem "the installer ended with $rc, not 2"
    reg_key_exists "$uninstall_key" && problem "the uninstaller was registered"
    [ ! -e "$(unix_path "$expected_dir_win")" ] || problem "files were installed"
  else
    problem "the mutex holder did not start"
  fi
  kill "$holder_pid" 2>/dev/null
  wait "$holder_pid" 2>/dev/null
else
  problem "no mutex holder (makensis failed: see $log)"
fi
verdict "install (/S) gives up with exit code 2 while a Velin that does not close runs"

# install
timeout 120 env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$installer" /S >>"$log" 2>&1
rc=$?
[ "$rc" -eq 0 ] || problem "the installer ended with $rc"
dir_win=$(reg_value "$uninstall_key" InstallLocation)
[ "$dir_win" = "$expected_dir_win" ] || problem "InstallLocation is '$dir_win', not '$expected_dir_win'"
dir=$(unix_path "$expected_dir_win")
check_files "$dir"
[ -f "$dir/uninstall.exe" ] || problem "uninstall.exe is missing"
[ -f "$shortcut" ] || problem "no Start-menu shortcut $shortcut"
for pair in "DisplayName=Velin" "DisplayVersion=$version" "Publisher=Velin" \
  "UninstallString=\"$expected_dir_win\\uninstall.exe\"" \
  "QuietUninstallString=\"$expected_dir_win\\uninstall.exe\" /S" \
  "DisplayIcon=$expected_dir_win\\Velin.exe,0" "NoModify=0x1" "NoRepair=0x1"; do
  got=$(reg_value "$uninstall_key" "${pair%%=*}")
  [ "$got" = "${pair#*=}" ] || problem "${pair%%=*} is '$got', not '${pair#*=}'"
done
size_kb=$(($(reg_value "$uninstall_key" EstimatedSize)))
files_kb=$(($(staged_files | (cd "$stage" && xargs stat -c %s) | paste -sd+ | bc) / 1024))
if [ "$size_kb" -lt $((files_kb * 9 / 10)) ] || [ "$size_kb" -gt $((files_kb * 11 / 10 + 200)) ]; then
  problem "EstimatedSize $size_kb KiB for $files_kb KiB of files"
fi
[ -z "$(reg_value "$run_key" Velin)" ] || problem "starts at logon without being asked"
verdict "install (/S) into $expected_dir_win"

# start
velin_pid=""
if [ -f "$dir/Velin.exe" ]; then
  start_velin "$dir/Velin.exe"
  eventually 20 velin_window_shown || problem "no Velin window within 20 s"
  gone "$velin_pid" && problem "Velin.exe ended"
else
  problem "no installed Velin.exe"
fi
verdict "installed Velin.exe starts and shows its window"

# upgrade
printf '\r\n[99]\r\nfont=%s\r\nfontsize=30\r\n' "$(printf '宋体' | iconv -t GBK)" >>"$dir/config.ini"
sed -i 's/^fontsize=17/fontsize=24/' "$dir/config.ini"
cp "$dir/config.ini" "$scratch/edited-config.ini"
: >"$dir/README.txt"
rm -f "$dir/licenses/zlib.txt"
timeout 120 env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$installer" /S /AUTOSTART >>"$log" 2>&1
rc=$?
[ "$rc" -eq 0 ] || problem "the installer ended with $rc"
if [ -n "$velin_pid" ]; then
  if gone "$velin_pid"; then
    wait "$velin_pid"
    code=$?
    [ "$code" -eq 0 ] || problem "the running Velin.exe ended with $code"
  else
    problem "the running Velin.exe was not closed"
    kill "$velin_pid" 2>/dev/null
  fi
fi
cmp -s "$scratch/edited-config.ini" "$dir/config.ini" || problem "the edited config.ini was replaced"
check_files "$dir" keep-config
[ "$(reg_value "$run_key" Velin)" = "\"$expected_dir_win\\Velin.exe\"" ] ||
  problem "/AUTOSTART: Run value is '$(reg_value "$run_key" Velin)'"
# Once chosen, the start at logon stays through the next upgrade.
timeout 120 env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$installer" /S >>"$log" 2>&1 ||
  problem "the second upgrade ended with $?"
[ "$(reg_value "$run_key" Velin)" = "\"$expected_dir_win\\Velin.exe\"" ] ||
  problem "an upgrade without /AUTOSTART dropped the start at logon"
verdict "upgrade closes the running Velin and keeps the edited config.ini"

# uninstall (the uninstaller runs from a copy of itself, so this returns at once)
uninstalled() { [ ! -e "$dir/uninstall.exe" ] && ! reg_key_exists "$uninstall_key"; }
velin_wine "$dir/uninstall.exe" /S >>"$log" 2>&1
eventually 30 uninstalled || problem "uninstall.exe or the registration is still there after 30 s"
while read -r f; do
  [ "$f" = config.ini ] || [ ! -e "$dir/$f" ] || problem "$f is left"
done < <(staged_files)
[ ! -e "$dir/licenses" ] || problem "the licenses folder is left"
cmp -s "$scratch/edited-config.ini" "$dir/config.ini" || problem "config.ini was not kept"
[ ! -e "$shortcut" ] || problem "the Start-menu shortcut is left"
[ -z "$(reg_value "$run_key" Velin)" ] || problem "the start at logon is left"
verdict "uninstall (/S) removes the program and keeps config.ini"

# uninstall, interactive: the question about config.ini, answered No, then Yes
for answer in no yes; do
  timeout 120 env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$installer" /S >>"$log" 2>&1 ||
    problem "the installer ended with $?"
  (exec env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$dir/uninstall.exe" >>"$log" 2>&1) &
  code=6
  [ "$answer" = no ] && code=7
  timeout 120 env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$helpers/uninstall-driver.exe" /ANSWER=$code \
    >>"$log" 2>&1 || problem "$answer: the uninstall button, the question or the close button did not come"
  eventually 30 uninstalled || problem "$answer: uninstall.exe or the registration is still there after 30 s"
  if [ "$answer" = no ]; then
    cmp -s "$scratch/edited-config.ini" "$dir/config.ini" || problem "no: config.ini was not kept"
    [ "$(ls -A "$dir" 2>/dev/null)" = config.ini ] || problem "no: the folder holds $(ls -A "$dir" | tr '\n' ' ')"
  else
    [ ! -e "$dir" ] || problem "yes: $dir is left"
  fi
done
verdict "uninstall asks about config.ini: No keeps it, Yes removes it with the folder"

# uninstall /REMOVECONFIG
timeout 120 env LC_ALL=zh_CN.UTF-8 "$VELIN_WINE" "$installer" /S >>"$log" 2>&1 ||
  problem "the installer ended with $?"
velin_wine "$dir/uninstall.exe" /S /REMOVECONFIG >>"$log" 2>&1
eventually 30 test ! -e "$dir" || problem "$dir is left: $(ls -A "$dir" 2>/dev/null | tr '\n' ' ')"
reg_key_exists "$uninstall_key" && problem "the registration is left"
verdict "uninstall (/S /REMOVECONFIG) leaves nothing"

# zip
portable="$scratch/便携 Velin"
mkdir -p "$portable"
listed=$(unzip -Z1 "$archive" | grep -v '/$' | sort)
expected=$(staged_files | sed "s|^|Velin-$version/|" | sort)
[ "$listed" = "$expected" ] || problem "the zip's files differ from the installer's: $(diff <(echo "$expected") <(echo "$listed") | grep '^[<>]' | tr '\n' ' ')"
if unzip -q "$archive" -d "$portable"; then
  check_files "$portable/Velin-$version"
  start_velin "$portable/Velin-$version/Velin.exe"
  eventually 20 velin_window_shown || problem "no Velin window within 20 s"
  if gone "$velin_pid"; then
    problem "Velin.exe ended"
  else
    velin_wine taskkill /IM Velin.exe >>"$log" 2>&1
    eventually 10 gone "$velin_pid" || { problem "Velin.exe did not close"; kill "$velin_pid"; }
  fi
else
  problem "unzip failed"
fi
verdict "zip unpacks and its Velin.exe starts"

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
