#!/bin/sh
# Runs a Windows test program under Wine together with the test update
# server (tools/update-server.py), both inside one fresh network namespace
# that has nothing but loopback and a mount namespace of their own:
# - Wine runs in a private copy of $WINEPREFIX, so that its wineserver
#   starts inside these namespaces;
# - the folder "Temp" beside the program is a 2 MiB tmpfs, so that a test
#   can fill the disk;
# - an Xvfb display of its own shows the windows a test opens (WinINet's
#   authentication dialog, test windows);
# - the server serves a fresh folder on 127.0.0.1. The test finds its address
#   in KESTREL_TEST_SERVER (http://127.0.0.1:PORT), the served folder in
#   KESTREL_TEST_SERVER_ROOT and the request log in KESTREL_TEST_SERVER_LOG
#   (both as Windows paths);
# - a second server serves the same folder over TLS, at
#   KESTREL_TEST_TLS_SERVER (https://127.0.0.1:PORT), with a certificate for
#   127.0.0.1 made for this run, KESTREL_TEST_TLS_CERT (DER, Windows path),
#   that the test has to trust itself.
# Usage: wine-with-update-server.sh PROGRAM.exe [ARGS...]
set -eu
. "$(dirname "$0")/update-server-sandbox.sh"
sandbox_enter "$0" "$@"
: "${WINEPREFIX:?WINEPREFIX must name a prepared prefix}"

program=$(realpath "$1")
shift
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-wine.XXXXXX")
SERVER_PIDS=""
xvfb_pid=""
cleanup() {
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
    for pid in $SERVER_PIDS $xvfb_pid; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

"$(dirname "$0")/copy-prefix.sh" "$WINEPREFIX" "$work/prefix"
temp="$(dirname "$program")/Temp"
mkdir -p "$temp"
mount -t tmpfs -o size=2m kestrel-temp "$temp"

mkdir "$work/root"
sandbox_start_server "$work/root" "$work/requests"
port=$SERVER_PORT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
    -addext subjectAltName=IP:127.0.0.1,DNS:127.0.0.1 -keyout "$work/tls.key" -out "$work/tls.pem" 2>/dev/null
openssl x509 -in "$work/tls.pem" -outform der -out "$work/tls.der"
sandbox_start_server "$work/root" "$work/tls" --tls "$work/tls.pem" "$work/tls.key"
tls_port=$SERVER_PORT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
sandbox_wait_for_file "$work/display"

export DISPLAY=":$(cat "$work/display")"
export WINEPREFIX="$work/prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
export KESTREL_TEST_SERVER="http://127.0.0.1:$port"
export KESTREL_TEST_SERVER_ROOT="$(windows_path "$work/root")"
export KESTREL_TEST_SERVER_LOG="$(windows_path "$work/requests.log")"
export KESTREL_TEST_TLS_SERVER="https://127.0.0.1:$tls_port"
export KESTREL_TEST_TLS_CERT="$(windows_path "$work/tls.der")"
set +e
wine "$program" "$@"
rc=$?
set -e
exit $rc
