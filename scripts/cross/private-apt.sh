#!/bin/sh
# Sets up an APT state of our own in FOLDER and brings its lists up to
# date, for fetching Debian source packages or another architecture's
# packages without touching the system's APT: the sources are the system's
# own Debian entries, turned into deb-src lines (KIND=source) or into
# arm64 lines (KIND=arm64). Afterwards
#   APT_CONFIG=FOLDER/apt.conf apt-get source|download ...
# works in that state. A second run within a day reuses the lists.
#   private-apt.sh FOLDER source|arm64
set -eu
folder=$1
kind=$2
mkdir -p "$folder/lists/partial" "$folder/archives/partial" "$folder/parts"
folder=$(cd "$folder" && pwd)
: > "$folder/status.new"
[ -f "$folder/status" ] || mv "$folder/status.new" "$folder/status"
rm -f "$folder/status.new"

case $kind in
  source) line_start='deb-src'; options='' ;;
  arm64) line_start='deb'; options='arch=arm64' ;;
  *) echo "private-apt.sh: KIND is source or arm64, not $kind" >&2; exit 2 ;;
esac

# The system's Debian entries, one-line or deb822, as "URI SUITE COMPONENTS
# [KEYRING]" lines; other vendors' entries are left out.
system_entries() {
  for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$list" ] || continue
    sed -n 's/^deb[[:space:]]\{1,\}\(\[[^]]*\][[:space:]]*\)\{0,1\}\([^[:space:]]*\)[[:space:]]\{1,\}\(.*\)$/\2 \3/p' "$list"
  done
  for list in /etc/apt/sources.list.d/*.sources; do
    [ -f "$list" ] || continue
    awk '
      function flush() {
        if (types ~ /(^|[ \t])deb([ \t]|$)/ && uris != "")
          for (u = 1; u <= split(uris, U, " "); u++)
            for (s = 1; s <= split(suites, S, " "); s++)
              print U[u], S[s], comps, key
        types = uris = suites = comps = key = ""
      }
      /^[ \t]*$/ { flush(); next }
      /^#/ { next }
      { value = $0; sub(/^[^:]*:[ \t]*/, "", value) }
      /^Types:/ { types = value }
      /^URIs:/ { uris = value }
      /^Suites:/ { suites = value }
      /^Components:/ { comps = value }
      /^Signed-By:/ { key = value }
      END { flush() }' "$list"
  done
}

system_entries | grep '/debian' | while read -r uri suite rest; do
  key=$(echo "$rest" | awk '{ if ($NF ~ /^\//) print $NF }')
  components=$(echo "$rest" | awk '{ if ($NF ~ /^\//) $NF = ""; print }')
  opts=$options
  [ -n "$key" ] && opts="${opts:+$opts }signed-by=$key"
  echo "$line_start${opts:+ [$opts]} $uri $suite $components"
done > "$folder/sources.list"
if [ ! -s "$folder/sources.list" ]; then
  echo "private-apt.sh: no Debian entry in the system's APT sources" >&2
  exit 1
fi

architecture=$(dpkg --print-architecture)
[ "$kind" = arm64 ] && architecture=arm64
cat > "$folder/apt.conf" <<CONF
Dir::State "$folder";
Dir::State::lists "$folder/lists";
Dir::State::status "$folder/status";
Dir::Cache "$folder";
Dir::Cache::archives "$folder/archives";
Dir::Etc::sourcelist "$folder/sources.list";
Dir::Etc::sourceparts "$folder/parts";
APT::Architecture "$architecture";
APT::Architectures { "$architecture"; };
APT::Sandbox::User "root";
CONF

# Lists younger than a day are reused.
if [ -z "$(find "$folder/updated" -mtime -1 2>/dev/null)" ]; then
  APT_CONFIG="$folder/apt.conf" apt-get update -qq
  touch "$folder/updated"
fi
