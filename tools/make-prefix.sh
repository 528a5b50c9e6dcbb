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
# Wine has no Arial, and its own substitute is wider: dialogs in "Arial"
# would cut their labels. Liberation Sans (fonts-liberation) has Arial's
# widths, so windows look as they do on Windows.
unshare -n -- sh -c 'ip link set lo up && wineboot -i &&
    wine reg add "HKCU\Software\Wine\Fonts\Replacements" /v Arial /t REG_SZ \
        /d "Liberation Sans" /f' >/dev/null 2>&1
wineserver -w
test -f "$prefix/system.reg"
