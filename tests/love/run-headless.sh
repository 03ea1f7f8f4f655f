#!/bin/sh
# Runs a LÖVE project without a window, with XDG_RUNTIME_DIR and LÖVE's save
# folders (XDG_DATA_HOME) in a fresh temporary folder. A missing love fails.
#   run-headless.sh PROJECT_DIR
set -eu
if ! command -v love >/dev/null 2>&1; then
  echo "$0: love (LÖVE 11) is not installed; make test installs it" >&2
  exit 1
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -m 700 "$tmp/runtime"
XDG_RUNTIME_DIR="$tmp/runtime" XDG_DATA_HOME="$tmp/data" love "$1"
