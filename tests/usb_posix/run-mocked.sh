#!/bin/sh
# Runs a test binary with umockdev's preload library, which redirects /sys, /dev and udev into
# the testbed the test builds. ASan wants to be the first library loaded; the preload comes
# first instead, which is harmless here, so its check is turned off.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
exec umockdev-wrapper "$@"
