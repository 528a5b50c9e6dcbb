#!/bin/sh
# Installs what is needed, builds the shipped 32-bit programs and the 64-bit
# test build, and runs every test. Exits non-zero when anything fails.
set -eu
cd "$(dirname "$0")/.."
tools/build.sh
cd build/x86_64
ctest --output-on-failure -j "$(nproc)"
