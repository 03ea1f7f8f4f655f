#!/bin/sh
# `luarocks make` with the project's rockspec builds the module for Lua
# VERSION from a copy of the checkout, offline, into a fresh tree; that
# Lua's interpreter loads it from there. With `rock`, the same from the
# source rock that scripts/make-source-rock.sh makes, alone in its folder,
# through `luarocks install FILE`.
#   luarocks_test.sh SOURCE_DIR TESTBUF_DIR VERSION [make|rock]
set -eu
source=$1
testbuf=$2
version=$3
mode=${4:-make}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

tree=$work/tree
if [ "$mode" = rock ]; then
  rock=$("$source/scripts/make-source-rock.sh" "$work/dist")
  rm "$work"/dist/*.tar.gz "$work"/dist/*.rockspec  # the rock must carry them
  (cd "$work" && HOME=$work luarocks --lua-version="$version" --tree="$tree" \
    install "$rock") >"$work/log" 2>&1 ||
    { cat "$work/log"; fail "luarocks install ${rock##*/}"; }
else
  # A copy without build folders: luarocks builds inside the tree it is given.
  mkdir "$work/src"
  for entry in "$source"/*; do
    case ${entry##*/} in build* | out) continue ;; esac
    cp -R "$entry" "$work/src/"
  done
  rockspec=$(cd "$work/src" && ls rockspecs/*.rockspec)
  [ "$(echo "$rockspec" | wc -l)" -eq 1 ] || fail "expected one rockspec: $rockspec"

  # Dependencies are checked: the only one is Lua itself, whose range must
  # admit VERSION; the interpreter provides it, so nothing is fetched.
  (cd "$work/src" && HOME=$work luarocks --lua-version="$version" --tree="$tree" \
    make "$rockspec") >"$work/log" 2>&1 ||
    { cat "$work/log"; fail "luarocks make"; }
fi
# Every variable the rockspec passes here is one LuaRocks knows on this
# system (the Windows-only ones are Windows's alone): no warning about them.
if grep -i 'unmatched variable' "$work/log"; then
  fail "luarocks warned of a variable it does not know"
fi
HOME=$work luarocks --lua-version="$version" --tree="$tree" show q_veil_kit >/dev/null ||
  fail "luarocks does not list q_veil_kit"
"lua$version" "$here/check_installed.lua" "$tree/lib/lua/$version" "$testbuf" ||
  fail "lua$version"
