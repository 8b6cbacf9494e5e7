#!/usr/bin/env bash
# ravo-cli decode --http: serves what it decoded until SIGTERM (SIGHUP reopens), then exits 0;
# the options that cannot be used are one line with exit status 2, before any
# port is opened.
set -uo pipefail
cli=$(realpath "$1")
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"
export TZ=UTC
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# error WANT ARGS...: exit status 2 and WANT on the one line of stderr.
error() {
    local want=$1 err status
    shift
    err=$(timeout 10 "$cli" decode "$@" </dev/null 2>&1 >/dev/null)
    status=$?
    [ $status -eq 2 ] && [[ "$err" == *"$want"* ]] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] ||
        fail "decode $* -> status $status, '$err' (want '$want')"
}

error "needs --http-token-file FILE" --http 0.0.0.0:0
error "needs --http-token-file FILE" --http '[::]:0'
error "--http wants [ADDR:]PORT" --http 127.0.0.1:
error "not an IPv4 address" --http example.com:80
error "--http-token-file needs --http" --http-token-file token
error "--http-cert needs --http-key" --http 0 --http-cert cert.pem
error "--http-token-file: cannot read missing" --http 0 --http-token-file missing

capture=$src/tests/data/registry/summary/capture.txt
"$cli" decode --http 0 --json "$capture" >out.jsonl 2>err.txt &
pid=$!
port=
for _ in $(seq 100); do
    port=$(sed -n 's|^ravo-cli: serving http://127.0.0.1:\([0-9]*\)/$|\1|p' err.txt)
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || fail "no 'serving' line: $(cat err.txt)"
# Serving goes on after the input: the transmitters of the whole capture.
sleep 0.5
kill -0 $pid 2>/dev/null || fail "decode --http ended with its input"
got=$(curl -s "http://127.0.0.1:$port/api/transmitters" | grep -o '"address":[0-9]*' | sort | tr '\n' ' ')
want=$(grep -o '"address":[0-9]*' out.jsonl | sort -u | tr '\n' ' ')
[ -n "$want" ] && [ "$got" == "$want" ] || fail "transmitters: got '$got', want '$want'"
[ "$(curl -s "http://127.0.0.1:$port/healthz")" == ok ] || fail "healthz"
# SIGHUP (logrotate) reopens the outputs and serving goes on.
kill -HUP $pid
sleep 0.3
[ "$(curl -s "http://127.0.0.1:$port/healthz")" == ok ] || fail "not serving after SIGHUP"
kill -TERM $pid
wait $pid
status=$?
[ $status -eq 0 ] || fail "exit status $status after SIGTERM"
curl -s "http://127.0.0.1:$port/healthz" >/dev/null && fail "still serving after the exit"

[ $failures -eq 0 ] && echo "http serve: all good"
exit $((failures > 0))
