#!/bin/sh
# Unpacks Debian's arm64 lua5.1, luajit, lua5.2 to lua5.4, their headers
# and the libraries they and the module need into FOLDER/sysroot (kept: a
# second run only checks it), for building with g++-aarch64-linux-gnu and
# running with qemu-aarch64 -L FOLDER/sysroot. The packages come through a private APT
# state (private-apt.sh); nothing is installed into the system.
#   arm64-sysroot.sh FOLDER
set -eu
folder=$1
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)
[ -x "$folder/sysroot/usr/bin/luajit" ] && [ -x "$folder/sysroot/usr/bin/lua5.4" ] && exit 0
"$here/private-apt.sh" "$folder/apt" arm64
rm -rf "$folder/debs" "$folder/sysroot"
mkdir -p "$folder/debs" "$folder/sysroot"
cd "$folder/debs"
APT_CONFIG="$folder/apt/apt.conf" apt-get download -qq \
  lua5.1 liblua5.1-0 liblua5.1-0-dev luajit libluajit-5.1-2 libluajit-5.1-common \
  libluajit-5.1-dev lua5.2 liblua5.2-0 liblua5.2-dev lua5.3 liblua5.3-0 liblua5.3-dev \
  lua5.4 liblua5.4-0 liblua5.4-dev libc6 libgcc-s1 libstdc++6 libgomp1 libreadline8 libtinfo6
for deb in ./*.deb; do
  dpkg-deb -x "$deb" "$folder/sysroot"
done
# Debian installs the interpreters through alternatives; name them plainly.
[ -e "$folder/sysroot/usr/bin/luajit" ] ||
  ln -s "$(cd "$folder/sysroot/usr/bin" && ls luajit-2.1* | head -n 1)" "$folder/sysroot/usr/bin/luajit"
