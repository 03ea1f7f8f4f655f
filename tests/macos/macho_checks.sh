#!/bin/sh
# One check of a universal macOS bundle of the module, read on this machine
# (which cannot run Mach-O code) with LLVM's tools, on each of its slices:
#   file_type      both slices, x86_64 and arm64, each an MH_BUNDLE
#   minimum_macos  LC_BUILD_VERSION: platform macos, minos 11.0
#   exports        the export trie holds _luaopen_Q_Veil_Kit alone
#   host_names     every name looked up in the host (flat namespace) is a Lua
#                  API function the module may call (API_LIST, one a line,
#                  ';' comments), this Lua version's own (MARKER) among
#                  them; every other name comes from libSystem
#   dylibs         /usr/lib/libSystem.B.dylib is the only library loaded
#   macho_checks.sh CHECK FILE [API_LIST MARKER]
set -eu
check=$1
file=$2
fail() { echo "FAIL $check: $*" >&2; exit 1; }

archs=$(echo $(llvm-lipo-14 -archs "$file"))
[ "$archs" = "x86_64 arm64" ] || fail "slices are '$archs', not 'x86_64 arm64'"
for arch in $archs; do
  case $check in
    file_type)
      header=$(llvm-objdump-14 --macho --private-header --arch="$arch" "$file" | tail -n 1)
      echo "$arch: $header"
      echo "$header" | awk '{ exit !($5 == "BUNDLE") }' || fail "$arch is not a bundle"
      ;;
    minimum_macos)
      build=$(llvm-otool-14 -arch "$arch" -l "$file" | grep -A 5 'cmd LC_BUILD_VERSION' |
        awk '$1 == "platform" || $1 == "minos" { printf "%s %s ", $1, $2 }')
      echo "$arch: $build"
      [ "$build" = "platform macos minos 11.0 " ] || fail "$arch: '$build'"
      if llvm-otool-14 -arch "$arch" -l "$file" | grep -q LC_VERSION_MIN; then
        fail "$arch has an LC_VERSION_MIN as well"
      fi
      ;;
    exports)
      exports=$(llvm-objdump-14 --macho --exports-trie --arch="$arch" "$file" |
        awk '/^0x/ { print $2 }')
      echo "$arch exports: $exports"
      [ "$exports" = _luaopen_Q_Veil_Kit ] || fail "$arch exports '$exports'"
      ;;
    host_names)
      api=$3
      marker=$4
      undefined=$(llvm-nm-14 --arch="$arch" -u -m "$file")
      from_host=$(echo "$undefined" | sed -n 's/.* external _\([^ ]*\) (dynamically looked up)$/\1/p')
      echo "$arch: $(echo "$from_host" | wc -l) names from the host:" $from_host
      others=$(echo "$undefined" | grep -v '(dynamically looked up)$' | grep -v '(from libSystem)$' || true)
      [ -z "$others" ] || fail "$arch: names from neither the host nor libSystem: $others"
      for name in $from_host; do
        grep -qx "$name" "$api" || fail "$arch looks up $name in the host, not a Lua function of $api"
      done
      echo "$from_host" | grep -qx "$marker" || fail "$arch does not call $marker: built for another Lua?"
      ;;
    dylibs)
      dylibs=$(llvm-otool-14 -arch "$arch" -L "$file" | awk 'NR > 1 { print $1 }')
      echo "$arch: $dylibs"
      [ "$dylibs" = /usr/lib/libSystem.B.dylib ] || fail "$arch loads '$dylibs'"
      ;;
    *) echo "macho_checks.sh: no check $check" >&2; exit 2 ;;
  esac
done
