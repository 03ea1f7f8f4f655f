#!/bin/sh
# Writes to stdout the README.txt of one platform's archive: the version,
# which file serves which Lua, where LÖVE finds it, and what it needs. On
# Linux what it needs is read from the module files in FOLDER.
#   readme.sh PLATFORM VERSION FOLDER
set -eu
platform=$1
version=$2
folder=$3
case $platform in
  windows-x64) ext=dll; system="Windows x64 (64-bit hosts only)" ;;
  linux-x86_64) ext=so; system="Linux x86-64" ;;
  linux-arm64) ext=so; system="Linux arm64 (aarch64)" ;;
  macos) ext=so; system="macOS (one universal file a Lua: x86-64 and Apple silicon)" ;;
  *) echo "readme.sh: unknown platform $platform" >&2; exit 1 ;;
esac

# The highest version of NAME_ (GLIBC_, GLIBCXX_, GOMP_) the files ask for.
highest() {
  for file in "$folder"/lua*/Q_Veil_Kit.so; do readelf -V -W "$file"; done |
    sed -n "s/.*Name: $1\([0-9][0-9.]*\).*/\1/p" | sort -V | tail -n 1
}

cat <<TEXT
Q_Veil_Kit $version for $system

Which file: the folder of the Lua that loads it.
  lua5.1/Q_Veil_Kit.$ext   Lua 5.1, LuaJIT and LÖVE 11 (which runs LuaJIT)
TEXT
case $platform in linux-*) cat <<TEXT
  lua5.2/Q_Veil_Kit.$ext   Lua 5.2
  lua5.3/Q_Veil_Kit.$ext   Lua 5.3
TEXT
esac
cat <<TEXT
  lua5.4/Q_Veil_Kit.$ext   Lua 5.4
Keep the name Q_Veil_Kit.$ext: require "Q_Veil_Kit" looks for it, on
package.cpath (LUA_CPATH).

LÖVE finds the file beside main.lua (a game run from its folder) or in
the game's save folder. A fused game ships it beside its executable and
adds love.filesystem.getSourceBaseDirectory() .. "/?.$ext" to package.cpath.

TEXT
case $platform in
  windows-*) cat <<TEXT
On Windows a module names the Lua DLL it calls:
  lua5.1/Q_Veil_Kit.dll links lua51.dll (LuaJIT's, LÖVE's, Lua 5.1's);
  lua5.4/Q_Veil_Kit.dll links lua54.dll.
A host whose Lua DLL has another name cannot load it ("The specified module
could not be found"); build from the sources with -DQ_VEIL_KIT_LUA_DLL=NAME.
Nothing else is needed beside it: OpenMP (libgomp), the C++ runtime and
winpthreads are inside; besides the Lua DLL it imports only KERNEL32.dll and
msvcrt.dll.

licenses/: GCC's runtime library exception and the GPL version 3 it amends
(libgomp, libstdc++ and libgcc inside the DLL; texts from Debian's
gcc-mingw-w64-base and base-files), and MinGW-w64's terms (winpthreads and
the DLL's start-up code; Debian's mingw-w64-x86-64-dev).
TEXT
    ;;
  linux-*)
    echo "At run time it needs these libraries of the system (readelf -d):"
    for file in "$folder"/lua*/Q_Veil_Kit.so; do readelf -d "$file"; done |
      sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort -u | while read -r library; do
        case $library in
          libc.so.6) echo "  libc.so.6       glibc $(highest GLIBC_) or later" ;;
          libm.so.6) echo "  libm.so.6       glibc's maths library" ;;
          libgomp.so.1) echo "  libgomp.so.1    GCC's OpenMP runtime, GOMP_$(highest GOMP_) (Debian, Ubuntu: libgomp1)" ;;
          libstdc++.so.6) echo "  libstdc++.so.6  GCC's C++ runtime, GLIBCXX_$(highest GLIBCXX_) (libstdc++6)" ;;
          libgcc_s.so.1) echo "  libgcc_s.so.1   GCC's support library (libgcc-s1)" ;;
          *) echo "  $library" ;;
        esac
      done
    cat <<TEXT
libgomp is not linked in: desktop systems have it, and a module with its
own copy of the OpenMP runtime would run a second thread team beside the
host's. It links no Lua library: the host supplies the Lua API.

licenses/: GCC's runtime library exception and the GPL version 3 it amends
(the parts of libgcc and libstdc++ the compiler puts into the module;
texts from Debian's gcc base package and base-files).
TEXT
    ;;
  macos) cat <<TEXT
These files were built and link-checked, but never run by us: reports
are welcome. macOS keeps a downloaded file in quarantine and refuses to
load it ("cannot be opened because the developer cannot be verified");
after unpacking, once per file:
  xattr -d com.apple.quarantine Q_Veil_Kit.so
(or xattr -r -d com.apple.quarantine FOLDER for the unpacked folder).
Each file needs macOS 11.0 or later. It links no Lua library (the host
supplies the Lua API) and needs nothing beside it: OpenMP (LLVM's libomp)
is inside, and it loads only the system's libSystem.

licenses/: LLVM's licence (Apache 2.0 with LLVM exception) for libomp and
the compiler runtime pieces linked in.
TEXT
    ;;
esac
