# Cross build for macOS 11.0 or later from Linux, one architecture a build
# (llvm-lipo joins them). Zig's clang compiles, against Zig's macOS headers;
# LLVM's ld64.lld links (Zig's own linker cannot make a bundle), with
# clang-14 as its driver and Zig's libSystem stubs. Nothing built this way
# can run here: the tests read the Mach-O tables only.
#   -DQ_VEIL_KIT_MACOS_TOOLCHAIN=DIR  made by scripts/cross/macos-toolchain.sh
#   -DQ_VEIL_KIT_MACOS_ARCH=x86_64 or arm64
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES Q_VEIL_KIT_MACOS_TOOLCHAIN Q_VEIL_KIT_MACOS_ARCH)
if(NOT Q_VEIL_KIT_MACOS_ARCH MATCHES "^(x86_64|arm64)$")
  message(FATAL_ERROR "macos.cmake: -DQ_VEIL_KIT_MACOS_ARCH=x86_64 or arm64")
endif()
if(NOT EXISTS "${Q_VEIL_KIT_MACOS_TOOLCHAIN}/bin/${Q_VEIL_KIT_MACOS_ARCH}-macos-c++")
  message(FATAL_ERROR "macos.cmake: -DQ_VEIL_KIT_MACOS_TOOLCHAIN=DIR, made by scripts/cross/macos-toolchain.sh")
endif()
set(macos_dir "${Q_VEIL_KIT_MACOS_TOOLCHAIN}")
set(macos_arch "${Q_VEIL_KIT_MACOS_ARCH}")

set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_VERSION 20.1)  # Darwin 20: macOS 11
set(CMAKE_SYSTEM_PROCESSOR ${macos_arch})
# The target, minimum macOS included, is in the compiler wrappers: Zig reads
# the minimum from the target alone (it ignores -mmacosx-version-min).
set(CMAKE_C_COMPILER "${macos_dir}/bin/${macos_arch}-macos-cc")
set(CMAKE_CXX_COMPILER "${macos_dir}/bin/${macos_arch}-macos-c++")
set(CMAKE_AR llvm-ar-14 CACHE FILEPATH "")
set(CMAKE_RANLIB llvm-ranlib-14 CACHE FILEPATH "")
set(CMAKE_OSX_SYSROOT "" CACHE PATH "")
set(CMAKE_OSX_ARCHITECTURES "" CACHE STRING "")
set(CMAKE_OSX_DEPLOYMENT_TARGET "" CACHE STRING "")
set(CMAKE_FIND_ROOT_PATH "${macos_dir}/${macos_arch}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The link command, installed after CMake's Darwin rules.
set(Q_VEIL_KIT_MACOS_LINK
  "clang-14 --target=${macos_arch}-apple-macos11.0 -fuse-ld=lld -nostdlib")
# Linked into everything: compiler runtime pieces libSystem lacks, then
# libSystem itself (/usr/lib/libSystem.B.dylib, from Zig's stubs).
set(Q_VEIL_KIT_MACOS_LIBRARIES
  "${macos_dir}/${macos_arch}/lib/libclang_rt.pieces.a ${macos_dir}/zig/lib/libc/darwin/libSystem.11.tbd")
set(CMAKE_USER_MAKE_RULES_OVERRIDE "${CMAKE_CURRENT_LIST_DIR}/macos-link-rules.cmake")

# LLVM's libomp, built static by the toolchain script: found without trying.
set(OpenMP_C_FLAGS "-fopenmp -isystem ${macos_dir}/${macos_arch}/include" CACHE STRING "")
set(OpenMP_CXX_FLAGS "-fopenmp -isystem ${macos_dir}/${macos_arch}/include" CACHE STRING "")
set(OpenMP_C_LIB_NAMES omp CACHE STRING "")
set(OpenMP_CXX_LIB_NAMES omp CACHE STRING "")
set(OpenMP_omp_LIBRARY "${macos_dir}/${macos_arch}/lib/libomp.a" CACHE FILEPATH "")
