#!/bin/sh
# Unpacks the same ~200 MiB package with UnpackPackage (under Wine, in a
# loopback-only namespace) and with Info-ZIP unzip, alternating, and reports
# the median times, the ratio and the throughput. Run by hand:
#   bench/unpack.sh [RUNS]
# Needs the packages of tools/install-deps.sh and "unzip".
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
build=$root/build/bench
work=$build/run
command -v unzip >/dev/null || { echo "unzip is missing: apt-get install unzip" >&2; exit 1; }

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target unpack_bench -j2 >/dev/null

mkdir -p "$work"
package=$work/package.zip
[ -f "$package" ] || python3 "$root/bench/make_package.py" "$package"
unpacked=$(unzip -Zt "$package" | sed -n 's/.* \([0-9]*\) bytes uncompressed.*/\1/p')

export WINEPREFIX=$build/wineprefix
[ -f "$WINEPREFIX/system.reg" ] || "$root/tools/make-prefix.sh" "$WINEPREFIX"

now_ms() { date +%s%3N; }
kestrel_times=""
unzip_times=""
i=0
while [ "$i" -lt "$runs" ]; do
    rm -rf "$work/kestrel" "$work/unzip"
    mkdir -p "$work/kestrel" "$work/unzip"
    cp "$package" "$work/kestrel/package.zip"
    sync
    out=$("$root/tools/wine-isolated.sh" "$build/bench/unpack_bench.exe" \
        "Z:$(echo "$work/kestrel/package.zip" | tr / '\\')")
    case $out in result=0x00000000*) ;; *) echo "UnpackPackage failed: $out" >&2; exit 1 ;; esac
    kestrel_times="$kestrel_times ${out##*ms=}"
    sync
    start=$(now_ms)
    unzip -q -o "$package" -d "$work/unzip"
    unzip_times="$unzip_times $(( $(now_ms) - start ))"
    sync
    i=$((i + 1))
done
wineserver -k || true

diff -r -q "$work/kestrel" "$work/unzip" | grep -v 'Only in .*kestrel: package.zip' && {
    echo "the two unpacked trees differ" >&2; exit 1; } || true

median() { echo "$@" | tr ' ' '\n' | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
k=$(median $kestrel_times)
u=$(median $unzip_times)
awk -v k="$k" -v u="$u" -v b="$unpacked" -v runs="$runs" -v kt="$kestrel_times" -v ut="$unzip_times" 'BEGIN {
    mib = b / 1048576
    printf "package: %.1f MiB unpacked, %d runs\n", mib, runs
    printf "UnpackPackage (Wine): median %.0f ms, %.1f MiB/s   (runs:%s)\n", k, mib / (k / 1000), kt
    printf "unzip (Info-ZIP):     median %.0f ms, %.1f MiB/s   (runs:%s)\n", u, mib / (u / 1000), ut
    printf "ratio UnpackPackage / unzip: %.2f\n", k / u
}'
