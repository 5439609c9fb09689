#!/bin/sh
# CUPS backend "velin-capture": stores each job's document, exactly as CUPS hands it over,
# as $CAPTURE_DIR/job-<id>.bin (written under a temporary name, then renamed, so a reader
# never sees half a file). Installed by scripts/cups-test-queue.sh.
CAPTURE_DIR=/var/spool/velin-capture

if [ $# -eq 0 ]; then
  # Device discovery.
  echo 'direct velin-capture "Velin" "Velin capture queue"'
  exit 0
fi
if [ $# -lt 5 ] || [ $# -gt 6 ]; then
  echo "Usage: velin-capture job-id user title copies options [file]" >&2
  exit 1
fi

job=$1
mkdir -p "$CAPTURE_DIR" || exit 1
tmp="$CAPTURE_DIR/.job-$job.tmp"
if [ $# -eq 6 ]; then
  cat "$6" > "$tmp" || exit 1
else
  cat > "$tmp" || exit 1
fi
chmod 0644 "$tmp"
mv -f "$tmp" "$CAPTURE_DIR/job-$job.bin" || exit 1
echo "INFO: captured job $job" >&2
exit 0
