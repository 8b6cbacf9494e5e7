#!/usr/bin/env bash
# ravo-cli history: decode --history fills a file that transmitters and readings
# read back (CSV and JSON lines, per interval, a span of time); the logs written
# beside it import once; errors are one line with exit status 2.
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
# same NAME EXPECTED ACTUAL
same() { [ "$2" == "$3" ] || fail "$1: got
$3
want
$2"; }
# error WANT ARGS...: exit status 2 and WANT on the one line of stderr.
error() {
    local want=$1 err status
    shift
    err=$("$cli" history "$@" 2>&1 >/dev/null)
    status=$?
    [ $status -eq 2 ] && [[ "$err" == *"$want"* ]] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] ||
        fail "history $* -> status $status, '$err' (want '$want')"
}

capture=$src/examples/every-family.txt
"$cli" decode --history h.sqlite --log-dir logs --separate-files "$capture" >/dev/null 2>&1 || fail "decode --history"
"$cli" decode --json "$capture" >all.jsonl 2>/dev/null
# The same capture through a pipe on standard input, with the store's thread running.
same "decode from a pipe" "$(cat all.jsonl)" \
    "$(cat "$capture" | "$cli" decode --json --history piped.sqlite 2>/dev/null)"

# transmitters: a row per address, as many readings as the JSON lines have.
"$cli" history h.sqlite transmitters >tx.csv || fail "transmitters"
same "transmitters header" "address,family,first_heard,last_heard,readings" "$(head -1 tx.csv)"
same "transmitter 1234" "1234,temperature,2026-12-07T12:00:00.000+00:00,2026-12-07T12:02:40.000+00:00,2" \
    "$(grep '^1234,' tx.csv)"
same "transmitter count" "$(grep -o '"address":[0-9]*' all.jsonl | sort -u | wc -l)" "$(($(wc -l <tx.csv) - 1))"

# readings --json: the JSON lines of decode, without the monitor line.
for a in 1234 1300 500 600; do
    same "readings $a --json" "$(grep "\"address\":$a," all.jsonl | grep '^{"time"' | sed 's/,"line":.*}$/}/')" \
        "$("$cli" history h.sqlite readings --address $a --json)"
done
same "readings CSV" "time,temperature_1_C,temperature_2_C,sensor_error,status_flag
2026-12-07T12:00:00.000+00:00,21.5,20.5,false,true
2026-12-07T12:02:40.000+00:00,21.5,,false,true" "$("$cli" history h.sqlite readings --address 1234)"
same "readings --field --from --to" "time,temperature_2_C
2026-12-07T12:00:00.000+00:00,20.5" \
    "$("$cli" history h.sqlite readings --address 1234 --field temperature_2_C --from 2026-12-07 --to '2026-12-07 12:01')"
same "readings --every" "start,count,temperature_1_C_min,temperature_1_C_mean,temperature_1_C_max,temperature_2_C_min,temperature_2_C_mean,temperature_2_C_max
2026-12-07T12:00:00.000+00:00,2,21.5,21.5,21.5,20.5,20.5,20.5" \
    "$("$cli" history h.sqlite readings --address 1234 --every 3600)"
# The S level, which any reading may carry (the UHF one has none), named like a field.
same "readings --field s_level" "time,s_level
2026-12-07T12:00:00.000+00:00,
2026-12-07T12:02:40.000+00:00,7.0" "$("$cli" history h.sqlite readings --address 1234 --field s_level)"
same "readings --field s_level --every" "start,count,s_level_min,s_level_mean,s_level_max
2026-12-07T12:00:00.000+00:00,2,7.0,7.0,7.0" "$("$cli" history h.sqlite readings --address 1234 --field s_level --every 3600)"

# import: the logs decode wrote, once.
same "import" "$(cat logs/Tx*.csv | grep -vc '^Time,') rows added, 0 already present, 0 malformed ($(ls logs/Tx*.csv | wc -l) files)" \
    "$("$cli" history h.sqlite import logs)"
same "import again" "0 rows added, $(cat logs/Tx*.csv | grep -vc '^Time,') already present, 0 malformed ($(ls logs/Tx*.csv | wc -l) files)" \
    "$("$cli" history h.sqlite import logs)"

error "unknown history command 'sum'" h.sqlite sum
error "cannot open missing.sqlite" missing.sqlite transmitters
error "readings needs --address A" h.sqlite readings
error "has no field humidity_pct" h.sqlite readings --address 1234 --field humidity_pct
error "--from: '12:00' is no time" h.sqlite readings --address 1234 --from 12:00
error "cannot read the folder nologs" h.sqlite import nologs
sqlite3 newer.sqlite "CREATE TABLE t(x); PRAGMA application_id=1380013647; PRAGMA user_version=9;"
error "newer.sqlite has history schema version 9, newer than this program's" newer.sqlite transmitters
err=$("$cli" decode --history newer.sqlite "$capture" 2>&1 >/dev/null)
[ $? -eq 2 ] && [[ "$err" == *"newer than this program's"* ]] || fail "decode --history newer.sqlite: '$err'"

[ $failures -eq 0 ] || exit 1
echo "history: all checks passed"
