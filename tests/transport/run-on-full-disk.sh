#!/bin/sh
# run-on-full-disk.sh TEMPLATE_PREFIX PREFIX DISK PROGRAM ARGS...
# Runs PROGRAM under Wine with a 64 KiB tmpfs mounted at DISK, in private
# mount and network namespaces (loopback only). The wine server must live in
# the same mount namespace to see the mount, so PROGRAM gets PREFIX, a
# hard-linked copy of TEMPLATE_PREFIX, instead of the shared prefix.
# KESTREL_FULL_DISK tells the program where the small disk is.
set -eu
if [ -z "${KESTREL_FULL_DISK_NS:-}" ]; then
    exec unshare -m -n -- env KESTREL_FULL_DISK_NS=1 sh "$0" "$@"
fi
template=$1 prefix=$2 disk=$3
shift 3
ip link set lo up
mount --make-rprivate /
mount -t tmpfs -o size=64k kestrel-full-disk "$disk"

rm -rf "$prefix"
"$(dirname "$0")/../../tools/copy-prefix.sh" "$template" "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export KESTREL_FULL_DISK="Z:$(echo "$disk" | tr / '\\')"
status=0
wine "$@" || status=$?
wineserver -k || true
rm -rf "$prefix"
exit $status
