#!/bin/bash
# The main job end to end: the real zwstats, the POSIX ftp client first on
# PATH and a loopback FTP server. Three produced files arrive intact and are
# deleted locally; with the server stopped the next file stays on disk, and it
# is sent once the server is back.
#
#   main_job_test.sh PATH-TO-ZWSTATS PATH-TO-FTP-CLIENT
set -u
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

ZWSTATS="$(realpath "$1")"
CLIENT="$(realpath "$2")"
. "$(cd "$(dirname "$0")/../client" && pwd)/ftp_server_control.sh"
FTP_SERVER_PASSWORD="Job-pw-5521"

WORK="$(mktemp -d /tmp/zwstats-main-job.XXXXXX)"
ZWSTATS_PID=""
cleanup() {
    if [ -n "$ZWSTATS_PID" ]; then
        kill -TERM "$ZWSTATS_PID" 2>/dev/null
        wait_for 10 exited "$ZWSTATS_PID" || kill -KILL "$ZWSTATS_PID" 2>/dev/null
        wait "$ZWSTATS_PID" 2>/dev/null
    fi
    stop_ftp_server
    rm -rf "$WORK"
}
trap cleanup EXIT

count_lines() { grep -c -x -- "$1" "$2" 2>/dev/null || true; }
at_least() { [ "$(count_lines "$1" "$2")" -ge "$3" ]; }
same() { cmp -s "$1" "$2"; }

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
give_up() {
    fail "$*"
    echo "--- zwstats output:"; tail -n 20 "$WORK/zwstats.out"
    echo "--- zwstats errors:"; tail -n 20 "$WORK/zwstats.err"
    exit 1
}

mkdir -p "$WORK/root/incoming" "$WORK/local" "$WORK/made"
start_ftp_server "$WORK/root" 0 "$WORK/server.log" || exit 1
PORT="$FTP_SERVER_PORT"
cd "$WORK/local"
printf '%s\r\n' "open 127.0.0.1 $PORT" "$FTP_SERVER_USER" "$FTP_SERVER_PASSWORD" \
    "binary" "cd incoming" "put stats.log stats.tmp" "rename stats.tmp stats.log" "bye" > up.scr

# Written beside the watched name and moved in, so zwstats never sees half a file.
produce() {
    local n="$1"
    { echo "round $n"; head -c $((4000 + n * 997)) /dev/urandom | od -An -tx1; } > "$WORK/made/stats.$n"
    cp "$WORK/made/stats.$n" stats.partial
    mv stats.partial stats.log
}

PATH="$(dirname "$CLIENT"):$PATH" "$ZWSTATS" stats.log 1 up.scr > "$WORK/zwstats.out" 2> "$WORK/zwstats.err" < /dev/null &
ZWSTATS_PID=$!
wait_for 10 at_least SCAN "$WORK/zwstats.out" 1 || give_up "zwstats never scanned"

for n in 1 2 3; do
    produce $n
    wait_for 30 test ! -e stats.log || give_up "file $n was not deleted"
    same "$WORK/made/stats.$n" "$WORK/root/incoming/stats.log" || fail "file $n did not arrive intact"
done
[ "$(count_lines UPLOAD "$WORK/zwstats.out")" -eq 3 ] || fail "expected three uploads so far"

# The server goes away: the next file must stay until it is back.
stop_ftp_server
produce 4
wait_for 30 at_least UPLOAD "$WORK/zwstats.out" 5 || give_up "no repeated upload attempts while the server is down"
grep -q "^ftp: up.scr:1: open 127.0.0.1 $PORT: " "$WORK/zwstats.err" || fail "client did not report the unreachable server: $(tail -n 1 "$WORK/zwstats.err")"
[ -e stats.log ] || give_up "file 4 was deleted although it was never sent"
same "$WORK/made/stats.4" stats.log || fail "file 4 changed on disk"
same "$WORK/made/stats.3" "$WORK/root/incoming/stats.log" || fail "server copy changed while the server was down"

start_ftp_server "$WORK/root" "$PORT" "$WORK/server2.log" || give_up "server did not come back on port $PORT"
wait_for 30 test ! -e stats.log || give_up "file 4 was not sent once the server was back"
same "$WORK/made/stats.4" "$WORK/root/incoming/stats.log" || fail "file 4 did not arrive intact"
grep -q -- "$FTP_SERVER_PASSWORD" "$WORK/zwstats.out" "$WORK/zwstats.err" && fail "password shown"

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "main job test passed"
