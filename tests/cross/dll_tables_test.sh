#!/bin/sh
# Checks a Windows module DLL's tables: it exports luaopen_Q_Veil_Kit alone,
# and imports from the Lua DLL and Windows' own DLLs only.
#   dll_tables_test.sh OBJDUMP DLL LUA_DLL
set -eu
objdump=$1
dll=$2
lua_dll=$3
tables=$("$objdump" -p "$dll")
exports=$(echo "$tables" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p')
imports=$(echo "$tables" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | sort)
status=0
if [ "$exports" != luaopen_Q_Veil_Kit ]; then
  echo "exports, expected luaopen_Q_Veil_Kit alone:"; echo "$exports" | head -n 20
  status=1
fi
for name in $imports; do
  case $(echo "$name" | tr 'A-Z' 'a-z') in
    "$(echo "$lua_dll" | tr 'A-Z' 'a-z')" | kernel32.dll | msvcrt.dll | api-ms-win-*) ;;
    *) echo "imports from $name, which is neither $lua_dll nor a Windows DLL"; status=1 ;;
  esac
done
echo "$imports" | grep -qix "$lua_dll" || { echo "does not import $lua_dll"; status=1; }
[ "$status" -eq 0 ] && echo "exports: $exports; imports: $(echo $imports)"
exit "$status"
