#!/bin/sh
# Hashes the same 256 MiB package with the updater's hasher (CryptoAPI
# SHA-256 under Wine, in a loopback-only namespace) and with sha256sum,
# alternating, checks that both give the same digest, and reports the median
# times and their ratio. Run by hand:
#   bench/hash.sh [RUNS]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
build=$root/build/bench
work=$build/run

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target hash_bench -j2 >/dev/null

mkdir -p "$work"
package=$work/hash-package.bin
[ -f "$package" ] || head -c 268435456 /dev/urandom > "$package"

export WINEPREFIX=$build/wineprefix
[ -f "$WINEPREFIX/system.reg" ] || "$root/tools/make-prefix.sh" "$WINEPREFIX"

now_ms() { date +%s%3N; }
kestrel_times=""
tool_times=""
i=0
while [ "$i" -lt "$runs" ]; do
    out=$("$root/tools/wine-isolated.sh" "$build/bench/hash_bench.exe" \
        "Z:$(echo "$package" | tr / '\\')")
    kestrel_times="$kestrel_times ${out##*ms=}"
    start=$(now_ms)
    expected=$(sha256sum "$package" | cut -d' ' -f1)
    tool_times="$tool_times $(( $(now_ms) - start ))"
    case $out in "sha256=$expected "*) ;; *) echo "the digests differ: $out" >&2; exit 1 ;; esac
    i=$((i + 1))
done
wineserver -k || true

median() { echo "$@" | tr ' ' '\n' | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
k=$(median $kestrel_times)
s=$(median $tool_times)
awk -v k="$k" -v s="$s" -v runs="$runs" -v kt="$kestrel_times" -v st="$tool_times" 'BEGIN {
    printf "file: 256 MiB, %d runs\n", runs
    printf "HashFileSha256 (Wine): median %.0f ms, %.0f MiB/s   (runs:%s)\n", k, 256 / (k / 1000), kt
    printf "sha256sum:             median %.0f ms, %.0f MiB/s   (runs:%s)\n", s, 256 / (s / 1000), st
    printf "ratio HashFileSha256 / sha256sum: %.2f\n", k / s
}'
