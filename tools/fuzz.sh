#!/bin/sh
# Fuzzes one reader of outside bytes with the harness of tests/fuzz, under
# Wine in a loopback-only namespace, and prints inputs per second, the edges
# of the product code reached (its libraries are instrumented here) and what
# it found (a finding's input is saved under build/fuzz/findings; Wine's and
# MSXML's own diagnostics go to build/fuzz/fuzz-stderr.log). It stops
# after SECONDS or 1,000,000 inputs, whichever comes first:
#   tools/fuzz.sh TARGET [SECONDS] [SEED]
# TARGET: zip, smbios, dmi, index, pending, history, productlist, language.
# Exit code 0 when nothing was found, 3 on a finding.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?usage: tools/fuzz.sh TARGET [SECONDS] [SEED]}
seconds=${2:-60}
seed=${3:-1}
build=$root/build/fuzz
export CCACHE_BASEDIR=/work

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DKESTREL_TESTS=ON -DKESTREL_FUZZ_COVERAGE=ON >/dev/null
cmake --build "$build" --target fuzz_tests -j2 >/dev/null

export WINEPREFIX=$build/wineprefix
[ -f "$WINEPREFIX/system.reg" ] || "$root/tools/make-prefix.sh" "$WINEPREFIX"

status=0
"$root/tools/wine-isolated.sh" "$build/tests/fuzz/fuzz_tests.exe" "$target" \
    --seconds "$seconds" --runs 1000000 --seed "$seed" \
    --seeds "zip=$build/tests/transport/zip-fixtures" \
    --findings "$build/findings" 2>"$build/fuzz-stderr.log" || status=$?
WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
exit $status
