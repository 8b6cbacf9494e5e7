#!/usr/bin/env bash
# A live run of ravo-cli listen on the simulator's pseudo-terminal, recorded, with
# the echo and the recording moved away halfway and SIGHUP sent (as logrotate does);
# then ravo-cli decode of the recording must print, log and echo the same. Last, a
# listen killed outright must leave a recording that decodes to what it printed.
set -euo pipefail
cli=$(realpath "$1")
work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"

start_simulator() {  # rate count -> pty path in $pty, pid in $sim
    "$cli" simulate --pty --start-on-monitor --rate "$1" --count "$2" > pty.txt 2> sim.err &
    sim=$!
    for _ in $(seq 50); do [ -s pty.txt ] && break; sleep 0.1; done
    pty=$(head -n 1 pty.txt)
}

start_simulator 40 600
"$cli" listen --port "$pty" --record rec.txt --log-dir live --echo echo.txt > live.out 2> live.err &
listen=$!
sleep 8
mv rec.txt rec.1.txt
mv echo.txt echo.1.txt
kill -HUP $listen
wait $sim
sleep 1
kill -INT $listen
wait $listen

cat rec.1.txt rec.txt > rec.all.txt
cat echo.1.txt echo.txt > echo.live.txt
"$cli" decode --log-dir replay --echo echo.replay.txt rec.all.txt > replay.out
fail() { echo "FAIL: $*"; exit 1; }
[ "$(wc -l < live.out)" -gt 100 ] || fail "too few lines: $(wc -l < live.out)"
[ -s rec.1.txt ] && grep -q '^[0-9A-F"]' rec.txt || fail "the recording did not go on in a new file after SIGHUP"
[ -s echo.1.txt ] && [ -s echo.txt ] || fail "the echo did not go on in a new file after SIGHUP"
cmp live.out replay.out || fail "stdout differs"
cmp echo.live.txt echo.replay.txt || fail "echo differs"
diff -r live replay || fail "log or error files differ"
# Each half decodes on its own too.
"$cli" decode rec.txt > /dev/null || fail "the second recording does not decode on its own"

# Killed outright: at most the last second is missing from the recording.
start_simulator 20 0
"$cli" listen --port "$pty" --record killed.txt > killed.out 2> killed.err &
listen=$!
sleep 5
kill -KILL $listen
wait $listen || true
kill -INT $sim
wait $sim || true
"$cli" decode killed.txt > killed.replay || fail "the killed recording does not decode"
[ "$(wc -l < killed.replay)" -gt 5 ] || fail "the killed recording holds too little"
head -n "$(wc -l < killed.replay)" killed.out | cmp - killed.replay || fail "the killed recording differs from what was printed"
echo "ok: $(wc -l < live.out) lines live and replayed; $(wc -l < killed.replay) lines from the killed recording"
