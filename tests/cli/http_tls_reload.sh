#!/usr/bin/env bash
# ravo-cli listen --http with --http-cert/--http-key on the simulator's
# pseudo-terminal: SIGHUP reads both files again and new connections get the new
# certificate while an open event stream goes on; a reload that cannot be used
# (a key that is not the certificate's, a file gone) keeps the certificate
# served and says why in one line.
set -uo pipefail
cli=$(realpath "$1")
work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null' EXIT

command -v openssl >/dev/null || {
    echo "FAIL: openssl is not installed"
    exit 1
}
for n in a b c; do
    openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=127.0.0.1 $n" -addext subjectAltName=IP:127.0.0.1 \
        -keyout "$n.key" -out "$n.crt" 2>/dev/null || fail "openssl cannot make certificate $n"
done
fingerprint() { openssl x509 -noout -fingerprint -sha256 -in "$1" | cut -d= -f2; }
# The certificate a new connection is given.
served() {
    openssl s_client -connect "127.0.0.1:$port" </dev/null 2>/dev/null | openssl x509 -noout -fingerprint -sha256 |
        cut -d= -f2
}
# hup WANT: SIGHUP, then the next line on stderr about the certificate holds WANT.
hup() {
    local before; before=$(grep -c -- '--http-cert' listen.err)
    kill -HUP "$listen"
    for _ in $(seq 50); do
        [ "$(grep -c -- '--http-cert' listen.err)" -gt "$before" ] && break
        sleep 0.1
    done
    local told; told=$(grep -- '--http-cert' listen.err | tail -n +$((before + 1)))
    [ "$(printf '%s\n' "$told" | wc -l)" -eq 1 ] && [[ "$told" == *"$1"* ]] ||
        fail "after SIGHUP: '$told' (want one line with '$1')"
}

cp a.crt cert.pem
cp a.key key.pem
"$cli" simulate --pty --start-on-monitor --rate 20 --count 0 >pty.txt 2>sim.err &
pids+=($!)
for _ in $(seq 50); do [ -s pty.txt ] && break; sleep 0.1; done
"$cli" listen --port "$(head -n 1 pty.txt)" --http 127.0.0.1:0 --http-cert cert.pem --http-key key.pem \
    >listen.out 2>listen.err &
listen=$!
pids+=($listen)
port=
for _ in $(seq 100); do
    port=$(sed -n 's|^ravo-cli: serving https://127.0.0.1:\([0-9]*\)/$|\1|p' listen.err)
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || {
    echo "FAIL: no 'serving' line: $(cat listen.err)"
    exit 1
}
[ "$(served)" == "$(fingerprint a.crt)" ] || fail "not serving the first certificate"
# An event stream opened with the first certificate.
curl -sN --cacert a.crt "https://127.0.0.1:$port/api/events" >events.txt &
stream=$!
pids+=($stream)
sleep 1

cp b.crt cert.pem
cp b.key key.pem
hup "serving the certificate read again from cert.pem"
[ "$(served)" == "$(fingerprint b.crt)" ] || fail "not serving the second certificate after SIGHUP"
[ "$(curl -s --cacert b.crt "https://127.0.0.1:$port/healthz")" == ok ] || fail "healthz with the second certificate"
curl -s --cacert a.crt "https://127.0.0.1:$port/healthz" >/dev/null && fail "the first certificate still served"

# A key that is not the certificate's: the second certificate stays.
cp c.crt cert.pem
hup "still the one from before: the key in --http-key is not the key of the certificate in --http-cert"
[ "$(served)" == "$(fingerprint b.crt)" ] || fail "a mismatched pair replaced the certificate"
# A file gone: the same.
rm key.pem
hup "still the one from before: --http-key: cannot read key.pem"
[ "$(served)" == "$(fingerprint b.crt)" ] || fail "a missing key replaced the certificate"
# Put right: taken.
cp c.key key.pem
hup "serving the certificate read again"
[ "$(served)" == "$(fingerprint c.crt)" ] || fail "not serving the third certificate"

# The stream opened before the reloads is still fed.
lines=$(grep -c '^data: ' events.txt)
sleep 2
kill -0 $stream 2>/dev/null || fail "the event stream ended with the reload"
[ "$(grep -c '^data: ' events.txt)" -gt "$lines" ] || fail "the event stream got nothing after the reloads"
kill -0 $listen 2>/dev/null || fail "listen ended"
kill -TERM $listen
wait $listen
status=$?
[ $status -eq 0 ] || fail "exit status $status after SIGTERM"

[ $failures -eq 0 ] && echo "http tls reload: all good ($(grep -c '^data: ' events.txt) events on the stream)"
exit $((failures > 0))
