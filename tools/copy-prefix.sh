#!/bin/sh
# copy-prefix.sh SOURCE DEST: a private copy of a Wine prefix, for a test
# that needs a wineserver of its own (its own display, namespace or mounts).
# Hard links make the copy cheap; the registry files are written in place,
# so they are copied for real. Other tests may be running Wine in SOURCE at
# the same time: a scratch file that vanishes during the copy is no loss, a
# missing registry file is, so that copy must succeed.
set -eu
mkdir -p "$2"
cp -al "$1/." "$2/" 2>/dev/null || true
for reg in system.reg user.reg userdef.reg; do
    cp --remove-destination "$1/$reg" "$2/$reg"
done
