#!/bin/sh
# Packs the module files that the test legs built into one archive a
# platform, runs the Lua suite again on the files unpacked from each
# archive, and writes SHA256SUMS. Every archive holds
#   q_veil_kit/PLATFORM/luaX.Y/Q_Veil_Kit.(dll|so), README.txt, licenses/
# and is the same bytes for the same commit: entries sorted, owner, modes
# and times fixed (SOURCE_DATE_EPOCH, from the environment).
#   make-dist.sh OUTDIR VERSION PLATFORM/luaX.Y=LEG... PLATFORM/licenses=DIR...
# LEG is a test leg's folder (its module file is packed, its Lua suite run
# on the unpacked copy) or, for macOS, which cannot run here, a folder
# holding the module file alone; PLATFORM/licenses=DIR adds DIR's files to
# the platform's licences.
set -eu
out=$1
version=$2
shift 2
: "${SOURCE_DATE_EPOCH:?make-dist.sh needs SOURCE_DATE_EPOCH (the last commit time)}"
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "make-dist.sh: $*" >&2; exit 1; }

platforms="windows-x64 linux-x86_64 linux-arm64 macos"
suffix() { case $1 in windows-*) echo dll ;; *) echo so ;; esac; }
archive() {
  case $1 in windows-*) echo "q_veil_kit-$version-$1.zip" ;; *) echo "q_veil_kit-$version-$1.tar.gz" ;; esac
}

# The stage: each platform's tree, from the arguments.
for pair in "$@"; do
  key=${pair%%=*}
  from=${pair#*=}
  platform=${key%%/*}
  what=${key#*/}
  case " $platforms " in *" $platform "*) ;; *) fail "unknown platform in $pair" ;; esac
  into=$work/stage/$platform/q_veil_kit/$platform
  mkdir -p "$into/licenses"
  if [ "$what" = licenses ]; then
    [ -n "$(ls "$from" 2>/dev/null)" ] || fail "no licence texts in $from"
    cp "$from"/* "$into/licenses/"
  else
    file=$from/Q_Veil_Kit.$(suffix "$platform")
    [ -f "$file" ] || fail "$file is missing"
    mkdir -p "$into/$what"
    cp "$file" "$into/$what/"
    echo "$platform $what $from" >> "$work/legs"
  fi
done

for platform in $platforms; do
  into=$work/stage/$platform/q_veil_kit/$platform
  [ -d "$into" ] || fail "nothing given for $platform"
  "$here/licenses.sh" "$platform" "$into/licenses"
  "$here/readme.sh" "$platform" "$version" "$into" > "$into/README.txt"
  # Fixed modes and times: what the archive records is the same everywhere.
  find "$work/stage/$platform" -type d -exec chmod 755 {} +
  find "$work/stage/$platform" -type f -exec chmod 644 {} +
  find "$work/stage/$platform" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  name=$(archive "$platform")
  rm -f "$out/$name"
  case $name in
    *.zip)
      # zip stores local time: UTC makes it the same everywhere.
      (cd "$work/stage/$platform" && find q_veil_kit -type f | LC_ALL=C sort |
        TZ=UTC zip -X -D -q -9 "$out/$name" -@) ;;
    *)
      (cd "$work/stage/$platform" && tar --sort=name --format=gnu --owner=0 --group=0 \
        --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" -cf - q_veil_kit) |
        gzip -n -9 > "$out/$name" ;;
  esac
done

# Each archive unpacked alone, and the suite of each leg run on the module
# file from there (testbuf comes from the leg): what was packed is what ran.
# macOS files cannot run here; the other helper's leg ran them.
for platform in $platforms; do
  name=$(archive "$platform")
  unpacked=$work/unpacked/$platform
  mkdir -p "$unpacked"
  case $name in
    *.zip) (cd "$unpacked" && unzip -q "$out/$name") ;;
    *) tar -xzf "$out/$name" -C "$unpacked" ;;
  esac
  [ "$platform" = macos ] && { echo "== make dist: $name (not run here)"; continue; }
  grep "^$platform " "$work/legs" | while read -r _ lua leg; do
    dir=$unpacked/q_veil_kit/$platform/$lua
    module_dir=$dir
    case $platform in windows-*) module_dir=Z:$dir ;; esac  # as wine sees it
    echo "== make dist: $name, $lua, the Lua suite of $leg"
    (cd "$leg" && Q_VEIL_KIT_MODULE_DIR=$module_dir ctest --output-on-failure --no-tests=error -R '^lua_suite_') ||
      fail "the Lua suite failed on $platform/$lua from $name"
  done
done

(cd "$out" && for platform in $platforms; do archive "$platform"; done |
  xargs sha256sum > SHA256SUMS)
cat "$out/SHA256SUMS"
