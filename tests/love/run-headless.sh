#!/bin/sh
# Runs a LÖVE game with XDG_RUNTIME_DIR and LÖVE's save folders
# (XDG_DATA_HOME) in a fresh temporary folder: without a window when its
# conf.lua turns the window off, else under xvfb-run. A missing love fails.
#   run-headless.sh GAME [ARGS...]     love GAME ARGS...
#   LOVE=PROGRAM run-headless.sh       a fused game: PROGRAM, love with the game inside
set -eu
if ! command -v love >/dev/null 2>&1; then
  echo "$0: love (LÖVE 11) is not installed; make test installs it" >&2
  exit 1
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -m 700 "$tmp/runtime"
XDG_RUNTIME_DIR="$tmp/runtime" XDG_DATA_HOME="$tmp/data" "${LOVE:-love}" "$@"
