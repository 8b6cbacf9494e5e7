#!/usr/bin/env bash
# ravo-cli decode while another program holds the day's log file locked: the
# readings wait and go in, in order, once the file is released; the lock is told
# once when it starts and once when it ends. Held until the end, what waits is
# told with its count and the times of its first and last reading.
set -uo pipefail
cli=$(realpath "$1")
work=$2
case_dir=$(realpath "$(dirname "$0")/../data/golden/humidity-uhf")
rm -rf "$work"
mkdir -p "$work"
cd "$work"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
count() { grep -c -- "$1" "$2"; }

# The rows the capture gives, without the header (the locked file exists, empty).
tail -n +2 "$case_dir/logs/ravo07122026.csv" > rows.csv
rows=$(wc -l < rows.csv)
first=$(head -n 1 rows.csv | cut -c1-8)
last=$(tail -n 1 rows.csv | cut -c1-8)

# Released after the first readings.
mkdir logs1
: > logs1/ravo07122026.csv
exec 9>> logs1/ravo07122026.csv
flock 9
mkfifo in
"$cli" decode --band uhf --log-dir logs1 < in > out1.txt 2> err1.txt 9>&- &
pid=$!
exec 8> in
head -n 7 "$case_dir/capture.txt" >&8
for _ in $(seq 200); do
    grep -q "Error: Log file inaccessible" err1.txt && break
    sleep 0.05
done
flock -u 9
exec 9>&-
tail -n +8 "$case_dir/capture.txt" >&8
exec 8>&-
wait $pid || fail "decode exited with $?"
cmp -s logs1/ravo07122026.csv rows.csv || fail "rows lost or out of order: $(cat logs1/ravo07122026.csv)"
[ "$(count "Error: Log file inaccessible! Close file to resume logging." err1.txt)" = 1 ] ||
    fail "the lock not told once: $(cat err1.txt)"
[ "$(count "log file logs1/ravo07122026.csv writable again: [1-9][0-9]* waiting readings written" err1.txt)" = 1 ] ||
    fail "the release not told once: $(cat err1.txt)"

# Held until the end.
mkdir logs2
: > logs2/ravo07122026.csv
exec 9>> logs2/ravo07122026.csv
flock 9
"$cli" decode --band uhf --log-dir logs2 "$case_dir/capture.txt" > out2.txt 2> err2.txt 9>&- || fail "decode exited with $?"
exec 9>&-
[ -s logs2/ravo07122026.csv ] && fail "written although locked"
want="log file logs2/ravo07122026.csv still inaccessible: $rows readings not logged, decoded from 2026-12-07 $first to 2026-12-07 $last"
grep -qF -- "$want" err2.txt || fail "want '$want', got: $(cat err2.txt)"
[ "$(count "Error: Log file inaccessible" err2.txt)" = 1 ] || fail "the lock not told once: $(cat err2.txt)"

[ $failures -eq 0 ] && echo "locked log: all checks passed"
exit $((failures > 0))
