#!/usr/bin/env bash
# Prepares a real CUPS server for the printing tests: starts cupsd if it is not running and
# adds the capture queues, whose backend stores every job in /var/spool/velin-capture as
# job-<id>.bin:
#   velin-capture       raw (no driver, no filters, no resolution: pages go out at 300 dpi)
#   velin-capture-600   A4 at 600 dpi, PNG and PostScript passed through unchanged
#                       (scripts/cups-capture.ppd.in; PostScript is what Wine prints)
#   velin-capture-1200  the same at 1200 dpi
# Installs no packages (scripts/setup.sh does). Idempotent; run as root (CI) or with sudo.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
queue=velin-capture
capture_dir=/var/spool/velin-capture
backend_dir=/usr/lib/cups/backend

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null; then
  echo "cups-test-queue: cupsd or lpadmin missing (install cups and cups-client)" >&2
  exit 1
fi

# The backend: owned by root and not world-readable, so cupsd runs it as root.
$sudo install -m 0700 -o root -g root "$here/cups-capture-backend.sh" "$backend_dir/$queue"
$sudo mkdir -p "$capture_dir"
$sudo chmod 0777 "$capture_dir"

# The scheduler.
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  $sudo cupsd
  for _ in $(seq 1 50); do
    lpstat -r 2>/dev/null | grep -q "is running" && break
    sleep 0.2
  done
fi
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  echo "cups-test-queue: the CUPS scheduler did not start" >&2
  exit 1
fi

# The queue: raw (no driver, no filters), enabled and accepting jobs.
if ! lpstat -p "$queue" >/dev/null 2>&1; then
  $sudo lpadmin -p "$queue" -E -v "$queue:/" -m raw -o printer-is-shared=false 2>/dev/null ||
    $sudo lpadmin -p "$queue" -E -v "$queue:/" -m raw
fi
$sudo cupsenable "$queue"
$sudo cupsaccept "$queue"
echo "cups-test-queue: queue $queue ready, jobs land in $capture_dir"

# The queues with a resolution: a PPD of our own states it and lets image/png through to the
# same backend. lpadmin -P is run every time, so an edited PPD takes effect.
ppd_dir=$(mktemp -d)
trap 'rm -rf "$ppd_dir"' EXIT
for dpi in 600 1200; do
  sed "s/@DPI@/$dpi/g" "$here/cups-capture.ppd.in" > "$ppd_dir/$queue-$dpi.ppd"
  # "Printer drivers are deprecated" is CUPS 2.4's notice about PPD files, not an error.
  $sudo lpadmin -p "$queue-$dpi" -E -v "$queue:/" -P "$ppd_dir/$queue-$dpi.ppd" \
    -o printer-is-shared=false 2>&1 | grep -v -i "deprecated" >&2 || true
  if ! lpstat -p "$queue-$dpi" >/dev/null 2>&1; then
    echo "cups-test-queue: could not add $queue-$dpi" >&2
    exit 1
  fi
  $sudo cupsenable "$queue-$dpi"
  $sudo cupsaccept "$queue-$dpi"
  echo "cups-test-queue: queue $queue-$dpi ready ($dpi dpi), jobs land in $capture_dir"
done
