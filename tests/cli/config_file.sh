#!/usr/bin/env bash
# ravo-cli listen --config FILE: a table of lines and what they must give. A good
# file gets as far as opening the device (which does not exist here); a bad line is
# reported as FILE:LINE: reason with exit status 2.
set -uo pipefail
cli=$(realpath "$1")
work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"
failures=0

# expect LINES... -- ARGS... : stderr must contain the text in $want, exit status 2.
check() {
    local want=$1 file=$2
    shift 2
    local err status
    err=$("$cli" listen --config "$file" "$@" 2>&1 >/dev/null)
    status=$?
    if [ $status -ne 2 ] || [[ "$err" != *"$want"* ]]; then
        echo "FAIL: $(tr '\n' '|' < "$file") $* -> status $status, '$err' (want '$want')"
        failures=$((failures + 1))
    fi
}
conf() { printf '%s\n' "$@" > c.conf; }

nodev="no such device: /nonexistent"
# Good files: every kind of line is accepted and the options take effect.
conf "# a comment" "" "port = /nonexistent" "  band = uhf  " "separate-files" "echo = $work/echo.txt" \
     "set = txtzero[0]=12000" "set = txttx[3]=500" 'pulse-prefix = ""' "temp-prefix = t p" "filter = 0"
check "$nodev" c.conf
[ -e echo.txt ] || { echo "FAIL: echo = FILE was not used"; failures=$((failures + 1)); }
conf "port = /nonexistent" "separate-files = false" "log-dir = $work/logs"
check "$nodev" c.conf
[ -d logs ] || { echo "FAIL: log-dir = DIR was not used"; failures=$((failures + 1)); }
# The command line wins, for an option with one value and for one that repeats.
conf "port = /nonexistent" "band = xyz"
check "$nodev" c.conf --band vhf
conf "port = /nonexistent" "set = nobox=1"
check "$nodev" c.conf --set txtzero[1]=5
conf "port = /elsewhere"
check "$nodev" c.conf --port /nonexistent
# Values still pass the options' own checks.
conf "port = /nonexistent" "band = xyz"
check "--band must be vhf or uhf, not 'xyz'" c.conf
conf "port = /nonexistent" "set = nobox=1"
check "--set: no text box named 'nobox'" c.conf

# Bad lines, each with its line number.
conf "port = /nonexistent" "bogus = 1"
check "c.conf:2: unknown option 'bogus'" c.conf
conf "# only a comment" "log-dir"
check "c.conf:2: missing value for log-dir" c.conf
conf "log-dir ="
check "c.conf:1: missing value for log-dir" c.conf
conf "separate-files = maybe"
check "c.conf:1: separate-files is a flag: true or false, not 'maybe'" c.conf
conf "= 3"
check "c.conf:1: expected NAME = VALUE" c.conf
conf "--band = uhf"
check "c.conf:1: expected NAME = VALUE" c.conf
conf 'pulse-prefix = "open'
check "c.conf:1: unterminated quoted value" c.conf
conf "config = other.conf"
check "c.conf:1: config cannot be set inside a configuration file" c.conf
check "cannot read missing.conf" missing.conf

[ $failures -eq 0 ] && echo "ok" || exit 1
