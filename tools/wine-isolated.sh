#!/bin/sh
# Runs a Windows program under Wine inside a network namespace that has
# nothing but loopback, so no test can reach another host.
# WINEPREFIX must name the prefix to use (tools/make-prefix.sh makes one).
if [ -z "$KESTREL_NETNS_LOOPBACK" ]; then
    exec unshare -n -- sh -c 'ip link set lo up && KESTREL_NETNS_LOOPBACK=1 exec "$0" "$@"' "$0" "$@"
fi
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEDEBUG WINEDLLOVERRIDES
exec wine "$@"
