#!/bin/sh
# Creates a fresh 64-bit Wine prefix at $1 for the tests (about 5-7 s).
set -e
prefix=$1
[ -n "$prefix" ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
rm -rf "$prefix"
mkdir -p "$prefix"
# Wine takes only an absolute prefix path.
prefix=$(cd "$prefix" && pwd)
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unshare -n -- sh -c 'ip link set lo up && wineboot -i' >/dev/null 2>&1
wineserver -w
test -f "$prefix/system.reg"
