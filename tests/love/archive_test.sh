#!/bin/sh
# The paint example loading the module through veil_pick.lua from ROOT, a
# tree laid out as the release archives unpack (ROOT/q_veil_kit/...): as a
# game folder, as a .love file and fused (the game appended to love, the
# tree beside it), each in a window under xvfb-run with a scripted click
# into the ring it draws. Checks which file it loaded and that it filled.
#   archive_test.sh ROOT
set -eu
root=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0

# The example's files with the unpacked tree, as a game ships them.
mkdir "$tmp/game" "$tmp/fused"
cp "$here"/../../examples/love/*.lua "$tmp/game/"
cp -R "$root/q_veil_kit" "$tmp/game/"
(cd "$tmp/game" && zip -q -r ../paint.love .)
cp -R "$root/q_veil_kit" "$tmp/fused/"
cat "$(command -v love)" "$tmp/paint.love" >"$tmp/fused/paint"
chmod +x "$tmp/fused/paint"

# run NAME EXPECTED-FILE PROGRAM [GAME]: love (or a fused game) runs; its
# output must name the file it loaded the module from and the region it filled.
run() {
  name=$1 expected=$2 program=$3
  shift 3
  if ! env -u Q_VEIL_KIT_BUILD LOVE="$program" VEIL_PAINT_SCRIPT='click 84,80; quit' \
      xvfb-run --auto-servernum --server-args='-screen 0 1024x768x24' \
      sh "$here/run-headless.sh" "$@" >"$tmp/out" 2>&1 ||
    ! grep -q "^Q_Veil_Kit from .*$expected\$" "$tmp/out" ||
    ! grep -q '^filled the region around (84, 80)$' "$tmp/out"; then
    echo "FAIL  $name"
    cat "$tmp/out"
    failed=$((failed + 1))
    return
  fi
  echo "ok    $name: $(grep '^Q_Veil_Kit from' "$tmp/out")"
}

case $(uname -m) in
  aarch64 | arm64) platform=linux-arm64 ;;
  *) platform=linux-x86_64 ;;
esac
run "a game folder" "/game/q_veil_kit/$platform/lua5.1/Q_Veil_Kit.so" love "$tmp/game"
# From inside the zip: the copy in the save folder, named after conf.lua's identity.
run "a .love file" "/q_veil_kit_paint/Q_Veil_Kit.so" love "$tmp/paint.love"
run "a fused game" "/fused/q_veil_kit/$platform/lua5.1/Q_Veil_Kit.so" "$tmp/fused/paint"
[ "$failed" -eq 0 ]
