#!/bin/sh
# Installs the Debian packages named on the command line that are missing.
# Uses sudo when not run as root; does nothing when all are present.
#   install-deps.sh PACKAGE...
#   install-deps.sh --check PACKAGE...
# With --check nothing is installed: the missing packages are named in one
# line and the script fails. Plain builds use it, since a build must not
# change the system. Where there is no dpkg (not a Debian system), --check
# leaves the finding to CMake, which names what it lacks.
set -eu
check_only=no
if [ "${1:-}" = --check ]; then
  check_only=yes
  shift
fi
if ! command -v dpkg-query >/dev/null 2>&1; then
  [ "$check_only" = yes ] && exit 0
  echo "Not a Debian system: install the equivalents of these Debian packages: $*" >&2
  exit 1
fi
# A package counts as present when an installed package provides it (npm
# from another vendor's nodejs, say: Debian's npm would conflict with it).
provided=$(dpkg-query -W -f='${Status}|${Provides}\n' 2>/dev/null |
  sed -n 's/^install ok installed|//p' | tr ',' '\n' | sed 's/([^)]*)//; s/^ *//; s/ *$//')
missing=""
for package in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" &&
     ! printf '%s\n' "$provided" | grep -qx "$package"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0
if [ "$check_only" = yes ]; then
  echo "Missing Debian packages; install them first: apt-get install$missing" >&2
  exit 1
fi
echo "Installing missing packages:$missing"
as_root=""
[ "$(id -u)" -ne 0 ] && as_root="sudo"
export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update -qq
# shellcheck disable=SC2086
$as_root apt-get install -y -qq --no-install-recommends $missing
