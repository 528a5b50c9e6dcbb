# Shell functions shared by the scripts that run Wine beside the test update
# server inside a loopback-only network namespace (sourced, not run).

# Runs the calling script again inside new network and mount namespaces
# with only loopback up. Call first, with the script's own "$0" "$@".
sandbox_enter() {
    if [ -z "${KESTREL_NETNS_LOOPBACK:-}" ]; then
        exec unshare -m -n -- env KESTREL_NETNS_LOOPBACK=1 "$@"
    fi
    ip link set lo up
}

# sandbox_start_server ROOT FILE [ARGS...]: starts the update server on a
# free port of 127.0.0.1, serving ROOT, with its port in FILE.port and its
# request log in FILE.log; ARGS go to the server (--fault, --tls). Adds its
# process to SERVER_PIDS and sets SERVER_PORT.
sandbox_start_server() {
    root=$1
    file=$2
    shift 2
    python3 "$(dirname "$0")/../tools/update-server.py" --root "$root" --port 0 \
        --port-file "$file.port" --log "$file.log" "$@" >/dev/null &
    SERVER_PIDS="${SERVER_PIDS:-} $!"
    sandbox_wait_for_file "$file.port"
    SERVER_PORT=$(cat "$file.port")
}

# sandbox_wait_for_file FILE: waits up to 10 s for FILE to have content.
sandbox_wait_for_file() {
    tries=0
    while [ ! -s "$1" ]; do
        tries=$((tries + 1))
        [ $tries -lt 200 ] || { echo "$1 did not appear" >&2; exit 1; }
        sleep 0.05
    done
}

# windows_path PATH: the Unix path as Wine's drive Z: sees it.
windows_path() {
    printf 'Z:%s' "$1" | tr / '\\'
}
