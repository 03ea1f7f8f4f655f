#!/bin/sh
# Makes a release that can be handed over as one file: a source tarball of
# the checkout, a rockspec that names it, and the source rock (both in one
# .src.rock) that `luarocks install FILE` builds offline.
#   make-source-rock.sh OUTDIR
# Leaves in OUTDIR: q_veil_kit-V.tar.gz, q_veil_kit-V-R.rockspec and
# q_veil_kit-V-R.src.rock (V-R from the one rockspec in rockspecs/).
set -eu
out=$1
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
rockspec=$(ls "$top"/rockspecs/*.rockspec)
[ "$(echo "$rockspec" | wc -l)" -eq 1 ] || { echo "expected one rockspec: $rockspec" >&2; exit 1; }
name=${rockspec##*/}
name=${name%.rockspec}        # q_veil_kit-1.0.0-1
base=${name%-*}               # q_veil_kit-1.0.0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The files of the checkout (git's list when there is one, so that nothing
# untracked slips in), without build folders.
mkdir "$work/$base"
if git -C "$top" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$top" && git ls-files -z | xargs -0 tar -cf - | tar -xf - -C "$work/$base")
else
  (cd "$top" && tar --exclude='./build*' --exclude=./out --exclude=./dist -cf - .) |
    tar -xf - -C "$work/$base"
fi
tar -czf "$out/$base.tar.gz" -C "$work" "$base"

# The rockspec with its source pointing at the tarball: luarocks pack puts
# the tarball into the rock, and install then finds it there.
sed -e "s|^   url = \"git+file://./\",|   url = \"file://$out/$base.tar.gz\",\n   dir = \"$base\",|" \
    -e '/`luarocks make` builds the checkout/d' \
    "$rockspec" > "$out/$name.rockspec"
grep -q "file://$out/$base.tar.gz" "$out/$name.rockspec" ||
  { echo "the rockspec's source url was not replaced" >&2; exit 1; }
(cd "$out" && HOME=$work luarocks pack "$name.rockspec" >/dev/null)
echo "$out/$name.src.rock"
