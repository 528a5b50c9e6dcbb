#!/bin/sh
# Installs the Debian packages the build and the tests need; does nothing
# when they are already there.
set -u
packages="g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 xvfb xauth
imagemagick cmake googletest iproute2 util-linux python3 xdotool curl openssl fonts-liberation"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
# The package index can report a failure while one of its lists is being
# refreshed; the install's own result decides.
apt-get update -qq || true
apt-get install -y -qq --no-install-recommends $missing ||
    { sleep 5; apt-get update -qq || true; apt-get install -y -qq --no-install-recommends $missing; }
