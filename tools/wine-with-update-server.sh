#!/bin/sh
# Runs a Windows test program under Wine together with the test update
# server (tools/update-server.py), both inside one fresh network namespace
# that has nothing but loopback and a mount namespace of their own:
# - Wine runs in a private copy of $WINEPREFIX: the wineserver opens sockets
#   and files for its clients, so it has to start inside these namespaces;
# - the folder "Temp" beside the program is a small tmpfs, so that a test can
#   fill the disk;
# - an Xvfb display of its own shows the windows a test opens (WinINet's
#   authentication dialog, test windows);
# - the server serves a fresh folder on 127.0.0.1. The test finds its address
#   in KESTREL_TEST_SERVER (http://127.0.0.1:PORT), the served folder in
#   KESTREL_TEST_SERVER_ROOT and the request log in KESTREL_TEST_SERVER_LOG
#   (both as Windows paths).
# Usage: wine-with-update-server.sh PROGRAM.exe [ARGS...]
set -eu
if [ -z "${KESTREL_NETNS_LOOPBACK:-}" ]; then
    exec unshare -m -n -- env KESTREL_NETNS_LOOPBACK=1 "$0" "$@"
fi
: "${WINEPREFIX:?WINEPREFIX must name a prepared prefix}"
ip link set lo up

program=$(realpath "$1")
shift
tools=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-wine.XXXXXX")
server_pid=""
xvfb_pid=""
cleanup() {
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
    for pid in $server_pid $xvfb_pid; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

# Hard links make the copy cheap; the registry files are written in place,
# so they are copied for real.
cp -al "$WINEPREFIX" "$work/prefix"
for reg in "$work"/prefix/*.reg; do cp --remove-destination "$WINEPREFIX/$(basename "$reg")" "$reg"; done

temp="$(dirname "$program")/Temp"
mkdir -p "$temp"
mount -t tmpfs -o size=2m kestrel-temp "$temp"

mkdir "$work/root"
python3 "$tools/update-server.py" --root "$work/root" --port 0 \
    --port-file "$work/port" --log "$work/requests.log" >/dev/null &
server_pid=$!
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
tries=0
while [ ! -s "$work/port" ] || [ ! -s "$work/display" ]; do
    tries=$((tries + 1))
    [ $tries -lt 200 ] || { echo "update server or Xvfb did not start" >&2; exit 1; }
    sleep 0.05
done
export DISPLAY=":$(cat "$work/display")"

export WINEPREFIX="$work/prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
export KESTREL_TEST_SERVER="http://127.0.0.1:$(cat "$work/port")"
export KESTREL_TEST_SERVER_ROOT="$(windows_path "$work/root")"
export KESTREL_TEST_SERVER_LOG="$(windows_path "$work/requests.log")"
set +e
wine "$program" "$@"
rc=$?
set -e
exit $rc
