#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12. Run as root (or with sudo).
# The package lists are the scripts/packages/*.txt files: one package per line, # comments.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
packages=$(cat "$here"/packages/*.txt | sed 's/#.*//' | tr -s ' \t\n' '\n' | grep -v '^$' | sort -u)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
# shellcheck disable=SC2086
$sudo apt-get install -y --no-install-recommends $packages
