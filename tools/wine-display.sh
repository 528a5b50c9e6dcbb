#!/bin/sh
# Runs a Windows test program that opens windows: on a virtual X display of
# its own (Xvfb) and in a private copy of the Wine prefix, so its windows
# never share a Wine session that was started without a display. The
# network stays loopback-only (tools/wine-isolated.sh).
# WINEPREFIX names the prefix to copy (tools/make-prefix.sh makes one).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
base=$WINEPREFIX
copy=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-display.XXXXXX")
cleanup() {
    WINEPREFIX="$copy" wineserver -k 2>/dev/null || true
    rm -rf "$copy"
}
trap cleanup EXIT
"$here/copy-prefix.sh" "$base" "$copy"
export WINEPREFIX="$copy"
xvfb-run -a -s "-screen 0 1024x768x24" "$here/wine-isolated.sh" "$@"
