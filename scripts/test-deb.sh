#!/usr/bin/env bash
# Builds the .deb from a build tree (default: build/), installs it with dpkg -i, checks that
# its files are in place and that velin-cli runs, removes it with dpkg -r and checks that they
# are gone. Needs root (CI runs as root in its container); skips with a message otherwise.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}

if [ "$(id -u)" -ne 0 ]; then
  echo "test-deb: skipped: installing a package needs root"
  exit 0
fi
if dpkg-query -W -f='${Status}' velin 2>/dev/null | grep -q "install ok installed"; then
  echo "test-deb: skipped: a velin package is installed already; not touching it"
  exit 0
fi

fail() { echo "test-deb: FAILED: $*" >&2; dpkg -r velin >/dev/null 2>&1 || true; exit 1; }
log=$(cd "$build" && cpack -G DEB 2>&1) || { echo "$log" >&2; fail "cpack"; }
deb=$(ls -t "$build"/velin_*.deb | head -n 1)
echo "test-deb: $deb"
dpkg-deb --info "$deb" | sed -n 's/^ *\(Package\|Version\|Depends\|Recommends\):/  &/p'

files=(
  /usr/bin/velin-cli
  /usr/lib/udev/rules.d/70-velin-receiver.rules
  /usr/lib/systemd/user/velin.service
  /usr/share/doc/velin/README.md
  /usr/share/doc/velin/copyright
)

# Dependencies that are not installed would make dpkg -i fail: they are the build's own
# libraries here, so they are present.
dpkg -i "$deb" >/dev/null || fail "dpkg -i"
for f in "${files[@]}"; do [ -e "$f" ] || fail "$f not installed"; done
grep -q 'ATTR{idVendor}=="0483", ATTR{idProduct}=="5720", TAG+="uaccess"' \
  /usr/lib/udev/rules.d/70-velin-receiver.rules || fail "udev rule without uaccess for 0483:5720"
grep -q '^ExecStart=/usr/bin/velin-cli serve$' /usr/lib/systemd/user/velin.service \
  || fail "unit does not run velin-cli serve"
/usr/bin/velin-cli serve --help | grep -q '^NAME' || fail "velin-cli serve --help"
# The unit's syntax, where a user manager runs (not in CI's container).
if command -v systemd-analyze >/dev/null 2>&1 && [ -n "${XDG_RUNTIME_DIR:-}" ]; then
  systemd-analyze verify --user /usr/lib/systemd/user/velin.service || fail "unit does not verify"
fi
dpkg -r velin >/dev/null || fail "dpkg -r"
for f in "${files[@]}"; do [ ! -e "$f" ] || fail "$f left behind after dpkg -r"; done
echo "test-deb: installed, checked and removed"
