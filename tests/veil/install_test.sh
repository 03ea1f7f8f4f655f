#!/bin/sh
# An install with a prefix and DESTDIR puts the module, and nothing else,
# into the build's Lua C module folder, and LUA (an interpreter) loads it
# from there. Asked for, the veil component installs veil, which finds the
# installed module.
#   install_test.sh BUILD_DIR TESTBUF_DIR LUA_CMOD_DIR LUA yes|no
set -eu
build=$1
testbuf=$2
cmod=$3
lua=$4
with_veil=$5
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=/opt/q-veil-kit-test
stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >"$work/log" ||
  { cat "$work/log"; fail "cmake --install"; }
case $cmod in
  /*) module_dir=$stage$cmod ;;
  *) module_dir=$stage$prefix/$cmod ;;
esac
installed=$(find "$stage" -type f -o -type l)
[ "$installed" = "$module_dir/Q_Veil_Kit.so" ] ||
  fail "expected only $module_dir/Q_Veil_Kit.so, installed: $installed"
"$lua" "$here/check_installed.lua" "$module_dir" "$testbuf" || fail "$lua"

[ "$with_veil" = yes ] || exit 0
DESTDIR=$stage cmake --install "$build" --prefix "$prefix" --component veil \
  >"$work/log" || { cat "$work/log"; fail "cmake --install --component veil"; }
veil=$stage$prefix/bin/veil
[ -x "$veil" ] || fail "veil not installed at $veil"
case $cmod in /*) exit 0 ;; esac  # an absolute module folder is outside DESTDIR
"$build/veil-demo-art" sample "$work/sample.png"
# Only the installed module may be found: no default search path.
LUA_CPATH="$work/nothing/?.so" "$veil" alpha "$work/sample.png" "$work/alpha.png" \
  --source average || fail "installed veil with the installed module"
[ -s "$work/alpha.png" ] || fail "installed veil wrote nothing"
echo "ok: installed veil"
