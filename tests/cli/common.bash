# Sourced by every command-line test: the tool ($kestrel), a temporary folder $t (removed on exit with
# any server started by start_httpd), the home folder $t/h, and small helpers.
kestrel=$1
build=${2:-}
httpd=${KESTREL_TEST_HTTPD:-$build/tests/kestrel_test_httpd}
t=$(mktemp -d)
h=$t/h
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$t"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
sjis() { iconv -f UTF-8 -t CP932; }
k() { "$kestrel" --home "$h" "$@"; }
# kerr ARGS: the tool's standard error alone (its standard output dropped).
kerr() { "$kestrel" --home "$h" "$@" 2>&1 >/dev/null; }
q() { sqlite3 "$h/Kestrel.mdb" "$1"; }

# start_httpd NAME PREFIX [options...]: serves $t/www under PREFIX, logs to $t/NAME.log, sets $port.
start_httpd() {
    local name=$1 prefix=$2
    shift 2
    "$httpd" --root "$t/www" --prefix "$prefix" --port-file "$t/$name.port" --log "$t/$name.log" --lifetime 300 "$@" &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$t/$name.port" ] && break; sleep 0.1; done
    port=$(cat "$t/$name.port") || fail "server $name did not start"
}
