#!/bin/sh
# Installs what is needed, builds, and runs the demo against the bundled
# update server (tools/demo.py). Run as root.
set -eu
cd "$(dirname "$0")/.."
tools/build.sh
python3 tools/demo.py "$@"
