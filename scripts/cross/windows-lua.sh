#!/bin/sh
# Builds Lua 5.1, LuaJIT and Lua 5.4 for Windows x64 with MinGW-w64 from
# Debian's own source packages, into FOLDER (kept: a second run only checks it):
#   FOLDER/lua5.1/  lua.exe, lua51.dll and the headers (include/)
#   FOLDER/luajit/  luajit.exe, lua51.dll
#   FOLDER/lua5.4/  lua.exe, lua54.dll and the headers (include/)
# The sources come through a private APT state (private-apt.sh); the
# system's APT is left alone.
#   windows-lua.sh FOLDER
set -eu
folder=$1
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)
if [ -f "$folder/lua5.1/lua.exe" ] && [ -f "$folder/luajit/luajit.exe" ] &&
  [ -f "$folder/lua5.4/lua.exe" ]; then
  exit 0
fi
"$here/private-apt.sh" "$folder/apt" source
rm -rf "$folder/src" "$folder/lua5.1" "$folder/luajit" "$folder/lua5.4"
mkdir -p "$folder/src" "$folder/lua5.1/include" "$folder/luajit" "$folder/lua5.4/include"
cd "$folder/src"
APT_CONFIG="$folder/apt/apt.conf" apt-get source -qq lua5.1 luajit lua5.4 >/dev/null
jobs=$(nproc 2>/dev/null || echo 2)
# A failed build shows the end of its log.
failed() { tail -n 30 "$1" >&2; echo "windows-lua.sh: the build failed; its log: $1" >&2; exit 1; }

# Lua 5.1: the interpreter and the DLL of Lua's own mingw target (its luac
# step links a static library that target never makes, so it is left out).
cd "$folder"/src/lua5.1-*/src
make -j"$jobs" CC=x86_64-w64-mingw32-gcc "LUA_A=lua51.dll" "LUA_T=lua.exe" \
  "AR=x86_64-w64-mingw32-gcc -shared -o" "RANLIB=x86_64-w64-mingw32-strip --strip-unneeded" \
  "MYCFLAGS=-DLUA_BUILD_AS_DLL" "MYLIBS=" "MYLDFLAGS=-s" lua.exe >"$folder/lua5.1.log" 2>&1 ||
  failed "$folder/lua5.1.log"
cp lua.exe lua51.dll "$folder/lua5.1/"
cp lua.h luaconf.h lualib.h lauxlib.h ../etc/lua.hpp "$folder/lua5.1/include/"

# LuaJIT: its own cross build; the host half is built with gcc.
cd "$folder"/src/luajit-*
make -j"$jobs" HOST_CC=gcc CROSS=x86_64-w64-mingw32- TARGET_SYS=Windows \
  >"$folder/luajit.log" 2>&1 || failed "$folder/luajit.log"
cp src/luajit.exe src/lua51.dll "$folder/luajit/"
# luajit.exe finds its jit.* modules (for -j options) in lua/jit beside it.
mkdir -p "$folder/luajit/lua/jit"
cp src/jit/*.lua "$folder/luajit/lua/jit/"

# Lua 5.4: Debian's Makefile builds through libtool, so the DLL and the
# interpreter are compiled here as Lua's own mingw target does.
cd "$folder"/src/lua5.4-*/src
cflags="-std=gnu99 -O2 -DLUA_COMPAT_5_3 -DLUA_BUILD_AS_DLL"
# shellcheck disable=SC2046,SC2086
{ x86_64-w64-mingw32-gcc $cflags -shared -s -o lua54.dll $(ls *.c | grep -v -x -e lua.c -e luac.c) &&
  x86_64-w64-mingw32-gcc $cflags -s -o lua.exe lua.c lua54.dll; } >"$folder/lua5.4.log" 2>&1 ||
  failed "$folder/lua5.4.log"
cp lua.exe lua54.dll "$folder/lua5.4/"
cp lua.h luaconf.h lualib.h lauxlib.h lua.hpp "$folder/lua5.4/include/"
