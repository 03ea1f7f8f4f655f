#!/bin/sh
# An install with a prefix and DESTDIR puts the module, and nothing else,
# into the build's Lua C module folder under that prefix, and LUA (an
# interpreter) loads it from there. The folder follows the prefix given at
# install time: the system's own under /usr, CMOD_DIR under any other (a
# prefix with a space included), whichever prefix came before. Asked for,
# the veil component installs veil, which finds the installed module.
#   install_test.sh BUILD_DIR TESTBUF_DIR CMOD_DIR SYSTEM_CMOD_DIR LUA yes|no
set -eu
build=$1
testbuf=$2
cmod=$3
system_cmod=$4
lua=$5
with_veil=$6
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# install_into PREFIX FOLDER: a staged install under PREFIX holds exactly
# PREFIX/FOLDER/Q_Veil_Kit.so (FOLDER absolute: that folder), and LUA loads it.
install_into() {
  rm -rf "$work/stage"
  DESTDIR=$work/stage cmake --install "$build" --prefix "$1" >"$work/log" ||
    { cat "$work/log"; fail "cmake --install --prefix $1"; }
  case $2 in
    /*) module_dir=$work/stage$2 ;;
    *) module_dir=$work/stage$1/$2 ;;
  esac
  installed=$(find "$work/stage" -type f -o -type l)
  [ "$installed" = "$module_dir/Q_Veil_Kit.so" ] ||
    fail "prefix $1: expected only $module_dir/Q_Veil_Kit.so, installed: $installed"
  "$lua" "$here/check_installed.lua" "$module_dir" "$testbuf" || fail "$lua, prefix $1"
}

install_into /usr "$system_cmod"
install_into "/opt/q veil kit test" "$cmod"
prefix=/opt/q-veil-kit-test
install_into "$prefix" "$cmod"

[ "$with_veil" = yes ] || exit 0
stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix "$prefix" --component veil \
  >"$work/log" || { cat "$work/log"; fail "cmake --install --component veil"; }
veil=$stage$prefix/bin/veil
[ -x "$veil" ] || fail "veil not installed at $veil"
case $cmod in /*) exit 0 ;; esac  # an absolute module folder is outside DESTDIR
"$build/demo-art" sample "$work/sample.png"
# Only the installed module may be found: no default search path.
LUA_CPATH="$work/nothing/?.so" "$veil" alpha "$work/sample.png" "$work/alpha.png" \
  --source average || fail "installed veil with the installed module"
[ -s "$work/alpha.png" ] || fail "installed veil wrote nothing"
echo "ok: installed veil"
