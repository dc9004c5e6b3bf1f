#!/bin/bash
# The ftp client against a loopback pyftpdlib server: a whole script lands
# byte for byte in one session, and every kind of failure ends non-zero with
# one line on stderr that names the script line, without the password.
#
#   client_test.sh PATH-TO-FTP-CLIENT
set -u

CLIENT="$(realpath "$1")"
HERE="$(cd "$(dirname "$0")" && pwd)"
. "$HERE/ftp_server_control.sh"

WORK="$(mktemp -d /tmp/zwstats-client-test.XXXXXX)"
cleanup() {
    stop_ftp_server
    rm -rf "$WORK"
}
trap cleanup EXIT

FTP_SERVER_PASSWORD="Pw-s3cret-71"
WRONG_PASSWORD="Wrong-pw-93"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

mkdir -p "$WORK/root" "$WORK/local"
start_ftp_server "$WORK/root" 0 "$WORK/server.log" || exit 1
PORT="$FTP_SERVER_PORT"
cd "$WORK/local"

head -c 300000 /dev/urandom > data.bin
printf 'line one\nline two\r\nno newline at end' > notes.txt
printf 'in a sub directory\n' > deep.txt
mkdir -p sub && cp deep.txt sub/deep.txt

# ---- a multi-command script, written with Windows line endings ----
printf '%s\r\n' \
    "open 127.0.0.1 $PORT" \
    "demo" \
    "$FTP_SERVER_PASSWORD" \
    "prompt" \
    "hash" \
    "verbose" \
    "binary" \
    "mkdir incoming" \
    "" \
    "cd incoming" \
    "put data.bin" \
    "send notes.txt upload.tmp" \
    "rename upload.tmp notes.txt" \
    "mkdir \"with space\"" \
    "cd \"with space\"" \
    "lcd sub" \
    "put deep.txt" \
    "cd .." \
    "put deep.txt second.txt" \
    "delete second.txt" \
    "bye" \
    "put data.bin after-bye.bin" > good.scr

"$CLIENT" -s:good.scr > good.out 2> good.err
rc=$?
[ $rc -eq 0 ] || fail "good script: status $rc, stderr: $(cat good.err)"
[ ! -s good.err ] || fail "good script wrote to stderr: $(cat good.err)"
cmp -s data.bin "$WORK/root/incoming/data.bin" || fail "data.bin did not land byte for byte"
cmp -s notes.txt "$WORK/root/incoming/notes.txt" || fail "notes.txt did not land byte for byte after rename"
[ ! -e "$WORK/root/incoming/upload.tmp" ] || fail "rename left the old name"
cmp -s deep.txt "$WORK/root/incoming/with space/deep.txt" || fail "put after cd into a quoted directory and lcd"
[ ! -e "$WORK/root/incoming/second.txt" ] || fail "delete did not remove second.txt"
[ ! -e "$WORK/root/incoming/after-bye.bin" ] || fail "a command after bye was carried out"
logins=$(grep -c "USER 'demo' logged in" "$WORK/server.log")
[ "$logins" -eq 1 ] || fail "expected one session for the whole script, server saw $logins logins"
grep -q -- "$FTP_SERVER_PASSWORD" good.out good.err && fail "password shown by the good script"

# ---- the -n form with an explicit user command ----
printf '%s\n' "open 127.0.0.1 $PORT" "user demo $FTP_SERVER_PASSWORD" "binary" "put data.bin by-user.bin" "quit" > user.scr
"$CLIENT" -n -s:user.scr > user.out 2>&1 || fail "user command script: $(cat user.out)"
cmp -s data.bin "$WORK/root/by-user.bin" || fail "put after user command did not land"

# ---- failures: name | expected line | text the message must hold | script lines ----
CLOSED_PORT=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()')
run_failure() {
    local name="$1" line="$2" expect="$3" options="$4"
    shift 4
    printf '%s\n' "$@" > "$name.scr"
    "$CLIENT" $options -s:"$name.scr" > "$name.out" 2> "$name.err"
    local rc=$?
    [ $rc -ne 0 ] || fail "$name: status 0"
    [ "$(wc -l < "$name.err")" -eq 1 ] || fail "$name: expected one line on stderr, got: $(cat "$name.err")"
    grep -q -- "^ftp: $name.scr:$line: " "$name.err" || fail "$name: message does not name line $line: $(cat "$name.err")"
    grep -q -- "$expect" "$name.err" || fail "$name: message lacks '$expect': $(cat "$name.err")"
    if grep -q -e "$FTP_SERVER_PASSWORD" -e "$WRONG_PASSWORD" "$name.out" "$name.err"; then
        fail "$name: password shown"
    fi
}

run_failure wrong-password 1 "refused" "" \
    "open 127.0.0.1 $PORT" "demo" "$WRONG_PASSWORD" "put data.bin wrong-password.bin" "bye"
run_failure closed-port 1 "127.0.0.1" "" \
    "open 127.0.0.1 $CLOSED_PORT" "demo" "$FTP_SERVER_PASSWORD" "put data.bin closed.bin" "bye"
run_failure missing-local 6 "put nothere.txt: cannot open nothere.txt" "" \
    "open 127.0.0.1 $PORT" "demo" "$FTP_SERVER_PASSWORD" "binary" "" "put nothere.txt" "put data.bin after-missing.bin" "bye"
run_failure unknown-command 4 "frobnicate now: unknown command" "" \
    "open 127.0.0.1 $PORT" "demo" "$FTP_SERVER_PASSWORD" "frobnicate now" "put data.bin after-unknown.bin" "bye"
run_failure missing-remote-dir 4 "cd no-such-dir: 550" "" \
    "open 127.0.0.1 $PORT" "demo" "$FTP_SERVER_PASSWORD" "cd no-such-dir" "put data.bin after-cd.bin" "bye"
run_failure refused-store 5 "put data.bin no-such-dir/x.bin: 5" "" \
    "open 127.0.0.1 $PORT" "demo" "$FTP_SERVER_PASSWORD" "binary" "put data.bin no-such-dir/x.bin" "put data.bin after-store.bin" "bye"
run_failure refused-rename 4 "rename ghost.txt x.txt: 550" "" \
    "open 127.0.0.1 $PORT" "demo" "$FTP_SERVER_PASSWORD" "rename ghost.txt x.txt" "bye"
run_failure no-password-line 1 "no password line" "" \
    "open 127.0.0.1 $PORT" "demo"
run_failure not-connected 1 "put data.bin: not connected" "" \
    "put data.bin" "bye"
run_failure user-wrong-password 2 "user demo: login as demo refused" "-n" \
    "open 127.0.0.1 $PORT" "user demo $WRONG_PASSWORD" "bye"
run_failure bad-port 1 "bad port" "" \
    "open 127.0.0.1 99999" "demo" "$FTP_SERVER_PASSWORD"

# Nothing after a failed command may have been carried out.
for name in wrong-password closed after-missing after-unknown after-cd after-store; do
    [ ! -e "$WORK/root/$name.bin" ] || fail "$name.bin was sent after the script had failed"
done

# An unreadable script.
"$CLIENT" -s:"$WORK/local/no-such.scr" > missing.out 2> missing.err && fail "missing script: status 0"
grep -q "no-such.scr: cannot read script" missing.err || fail "missing script message: $(cat missing.err)"

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "client tests passed"
