#!/bin/sh
# Copies into FOLDER the licences of what the compiler links into PLATFORM's
# module files, from the Debian packages of the compilers that build them:
# GCC's runtime library exception (the part of libgcc, libstdc++ and, on
# Windows, libgomp inside a module) with the GPL version 3 it amends, and on
# Windows MinGW-w64's terms (winpthreads and the DLL start-up code). macOS
# brings its own texts (make-dist.sh's macos/licenses=DIR).
#   licenses.sh PLATFORM FOLDER
set -eu
platform=$1
folder=$2
mkdir -p "$folder"
fail() { echo "licenses.sh: $*" >&2; exit 1; }

# The exception as the GCC package's copyright file quotes it.
runtime_exception() {
  [ -f "$1" ] || fail "$1 is missing (from the Debian package $2)"
  sed -n '/^GCC RUNTIME LIBRARY EXCEPTION$/,/^requirements of the license of GCC\.$/p' "$1" \
    > "$folder/GCC-RUNTIME-LIBRARY-EXCEPTION.txt"
  grep -q '^requirements of the license of GCC\.$' "$folder/GCC-RUNTIME-LIBRARY-EXCEPTION.txt" ||
    fail "no GCC runtime library exception found in $1"
  cp /usr/share/common-licenses/GPL-3 "$folder/GPL-3.txt"
}

case $platform in
  windows-x64)
    runtime_exception /usr/share/doc/gcc-mingw-w64-base/copyright gcc-mingw-w64-base
    cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$folder/MINGW-W64.txt" ;;
  linux-x86_64)
    v=$(g++ -dumpversion | cut -d. -f1)
    runtime_exception "/usr/share/doc/gcc-$v-base/copyright" "gcc-$v-base" ;;
  linux-arm64)
    v=$(aarch64-linux-gnu-g++ -dumpversion | cut -d. -f1)
    runtime_exception "/usr/share/doc/gcc-$v-aarch64-linux-gnu-base/copyright" \
      "gcc-$v-aarch64-linux-gnu-base" ;;
  macos) ;;
  *) fail "unknown platform $platform" ;;
esac
