#!/bin/sh
# Builds the filter benchmark (x86_64, Release) and runs it under Wine in a
# loopback-only namespace, with a prefix of its own under build/bench.
# Arguments go to the benchmark: [--literal-max N] [--trace-max N] [sizes...]
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench --target filter_bench -j 2 >/dev/null
prefix=$PWD/build/bench/wineprefix
[ -f "$prefix/system.reg" ] || tools/make-prefix.sh "$prefix"
status=0
WINEPREFIX=$prefix tools/wine-isolated.sh build/bench/bench/filter_bench.exe "$@" || status=$?
WINEPREFIX=$prefix wineserver -k || true
exit $status
