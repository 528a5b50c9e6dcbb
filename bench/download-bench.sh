#!/bin/sh
# Download benchmark: fetches one 256 MiB file from the test update server
# on 127.0.0.1 with the download engine (x86_64 build under Wine) and with
# curl, alternately, for several rounds, inside one loopback-only network
# namespace. Prints every round, then the median times, both throughputs and
# the ratio engine time / curl time. Run by hand, as root:
#     bench/download-bench.sh [BUILD-DIR [ROUNDS [MIB]]]
# (defaults: build/x86_64, 5 rounds, 256 MiB; the build needs the target
# download_bench).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tools/update-server-sandbox.sh"
build=$(realpath "${1:-$here/../build/x86_64}")
rounds=${2:-5}
mib=${3:-256}
sandbox_enter "$0" "$build" "$rounds" "$mib"

program="$build/bench/download_bench.exe"
[ -f "$program" ] || { echo "build $program first (cmake --build $build --target download_bench)" >&2; exit 2; }
command -v curl >/dev/null || { echo "curl is needed" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-bench.XXXXXX")
SERVER_PIDS=""
cleanup() {
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
    for pid in $SERVER_PIDS; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

if [ -f "$build/wineprefix/system.reg" ]; then
    "$here/../tools/copy-prefix.sh" "$build/wineprefix" "$work/prefix"
else
    "$here/../tools/make-prefix.sh" "$work/prefix"
fi
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

mkdir "$work/root"
head -c $((mib * 1024 * 1024)) /dev/urandom > "$work/root/big.bin"
sandbox_start_server "$work/root" "$work/requests"
server="http://127.0.0.1:$SERVER_PORT"
url="$server/big.bin"
engine_file="$work/engine.bin"
curl_file="$work/curl.bin"

# Wine's own start-up is not part of a transfer: warm it up once.
wineserver -p
wine "$program" "$server/none" "$(windows_path "$work/warm.bin")" >/dev/null 2>&1 || true

echo "round engine_s curl_s"
: > "$work/times"
i=1
while [ $i -le "$rounds" ]; do
    engine=$(wine "$program" "$url" "$(windows_path "$engine_file")" | tr -d '\r' | sed -n 's/.*seconds=//p')
    cmp -s "$engine_file" "$work/root/big.bin" || { echo "engine copy differs in round $i" >&2; exit 1; }
    rm -f "$curl_file"
    curl_s=$(curl -s -o "$curl_file" -w '%{time_total}' "$url")
    cmp -s "$curl_file" "$work/root/big.bin" || { echo "curl copy differs in round $i" >&2; exit 1; }
    echo "$i $engine $curl_s" | tee -a "$work/times"
    i=$((i + 1))
done

python3 - "$work/times" "$mib" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
mib = float(sys.argv[2])
engine = statistics.median(float(r[1]) for r in rows)
curl = statistics.median(float(r[2]) for r in rows)
print("median engine %.3f s (%.1f MiB/s), curl %.3f s (%.1f MiB/s), ratio engine/curl %.2f"
      % (engine, mib / engine, curl, mib / curl, engine / curl))
PY
