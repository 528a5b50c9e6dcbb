#!/bin/sh
# Installs what is needed and builds the shipped 32-bit programs (build/i686)
# and the 64-bit test build with its bench tools (build/x86_64). The
# shipped programs carry the maker's public key when KESTREL_SIGNING_KEY
# names its PEM file; the test build carries the test key.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc)
cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release -DKESTREL_WERROR=ON \
    -DKESTREL_SIGNING_KEY="${KESTREL_SIGNING_KEY:-}"
cmake --build build/i686 -j "$jobs"

cmake -S . -B build/x86_64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Debug -DKESTREL_WERROR=ON -DKESTREL_TESTS=ON
cmake --build build/x86_64 -j "$jobs"
