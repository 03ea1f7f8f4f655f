# Cross build for 64-bit ARM Linux (Debian: g++-aarch64-linux-gnu). Pass the
# Lua headers with -DLUA_INCLUDE_DIR=DIR; a Debian arm64 sysroot (its
# packages unpacked with dpkg -x) given as Q_VEIL_KIT_SYSROOT adds the folder
# where Debian's luaconf.h finds its multiarch header.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES Q_VEIL_KIT_SYSROOT)
if(Q_VEIL_KIT_SYSROOT)
  string(APPEND CMAKE_CXX_FLAGS_INIT " -isystem ${Q_VEIL_KIT_SYSROOT}/usr/include/aarch64-linux-gnu")
endif()
