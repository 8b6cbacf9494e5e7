#!/usr/bin/env bash
# listen --port LINK, where LINK is a stable name for a device (as under
# /dev/serial/by-id/): the device goes away and comes back under another tty
# name, LINK is pointed at the new one, and listen finds it again.
set -euo pipefail
cli=$(realpath "$1")
work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"
fail() { echo "FAIL: $*"; cat listen.err; exit 1; }

start_simulator() {  # seed -> pty path in $pty, pid in $sim
    rm -f pty.txt
    "$cli" simulate --pty --start-on-monitor --rate 20 --seed "$1" > pty.txt 2>> sim.err &
    sim=$!
    for _ in $(seq 50); do [ -s pty.txt ] && break; sleep 0.1; done
    pty=$(head -n 1 pty.txt)
}

start_simulator 1
first=$pty
ln -s "$pty" link
"$cli" listen --port "$work/link" > listen.out 2> listen.err &
listen=$!
sleep 4
old=$sim
# The device comes back under another name (the old one is still taken when it does).
start_simulator 2
[ "$pty" != "$first" ] || fail "the new device has the old name"
kill -INT $old
wait $old || true
before=$(wc -l < listen.out)
sleep 1.5
grep -q "lost $work/link" listen.err || fail "the vanished device was not noticed"
ln -sfn "$pty" link
sleep 5
kill -INT $sim
wait $sim || true
kill -INT $listen
wait $listen
grep -q "$work/link is back" listen.err || fail "the device was not found again under its new tty"
after=$(wc -l < listen.out)
[ "$before" -gt 5 ] && [ "$after" -gt $((before + 5)) ] || fail "lines before/after the replug: $before/$after"
echo "ok: $before lines before the replug, $((after - before)) after"
