#!/bin/sh
# Installs the Debian packages named on the command line that are missing.
# Uses sudo when not run as root; does nothing when all are present.
set -eu
missing=""
for package in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0
echo "Installing missing packages:$missing"
as_root=""
[ "$(id -u)" -ne 0 ] && as_root="sudo"
export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update -qq
# shellcheck disable=SC2086
$as_root apt-get install -y -qq --no-install-recommends $missing
