#!/usr/bin/env bash
# System tests of the real zwstats binary: each case runs in a fresh temp dir
# with a fake `ftp` first on PATH that records its arguments and working
# directory and ends with the status written in ftp.status.
# Usage: system_test.sh PATH/TO/zwstats
set -u
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
zwstats=$(realpath "$1")
root=$(mktemp -d /tmp/zwstats-system.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$root"
}
trap cleanup EXIT

passed=0 failed=0
fail() { echo "    FAIL: $*"; case_ok=0; }

count() { grep -c -x -- "$1" "$2" 2>/dev/null || true; }
has() { grep -q -- "$1" "$2" 2>/dev/null; }
# at_least N LINE FILE: FILE holds LINE at least N times.
at_least() { [ "$(count "$2" "$3")" -ge "$1" ]; }
lines() { if [ -f "$1" ]; then wc -l < "$1"; else echo 0; fi; }
uploads_at_least() { [ "$(lines ftp.log)" -ge "$1" ]; }

new_case() {
  dir="$root/$1"
  mkdir -p "$dir/bin"
  cd "$dir" || exit 1
  cat > bin/ftp <<'FTP'
#!/bin/sh
PATH=/usr/bin:/bin
echo "$PWD|$*" >> ftp.log
if [ -f ftp.hold ]; then touch ftp.started; while [ -f ftp.hold ]; do sleep 0.05; done; fi
[ -f ftp.interrupt ] && kill -INT $$
exit $(cat ftp.status 2>/dev/null || echo 0)
FTP
  chmod +x bin/ftp
  echo "open 127.0.0.1" > up.scr
  case_ok=1
}

# start ARGS...: runs zwstats in the background, output to out/err.
start() {
  PATH="$dir/bin" "$zwstats" "$@" > out 2> err < /dev/null &
  pid=$!
  pids+=("$pid")
}

# finish: waits for the tool to end by itself and checks its exit status.
finish() {
  if ! wait_for "${1:-20}" exited "$pid"; then fail "still running"; kill -9 "$pid"; fi
  wait "$pid"; local rc=$?
  [ "$rc" -eq 0 ] || fail "exit status $rc"
}

end_case() {
  if [ "$case_ok" -eq 1 ]; then passed=$((passed + 1)); echo "ok   $1"
  else failed=$((failed + 1)); echo "FAIL $1"; sed 's/^/    out: /' out 2>/dev/null | tail -20; sed 's/^/    err: /' err 2>/dev/null | tail -5; fi
}

t="short command line shows the usage message and exits 0"
new_case usage
start stats.log 30; finish
has "ver 1.00 by Dorvenal" err || fail "no caption"
has "<Local SRC file to mirror> <Delay in Secs> <Local FTP Script>" err || fail "no usage text"
[ ! -e ftp.log ] || fail "ftp ran"
end_case "$t"

t="a word longer than its field is refused, not cut"
new_case long-word
long=$(printf 'a%.0s' $(seq 300))
touch "$(printf 'a%.0s' $(seq 255))"
start "$long" 1 up.scr; finish
has "usage:" err || fail "no usage message"
[ ! -e ftp.log ] || fail "ftp ran"
end_case "$t"

t="missing script shows the FATAL text and probes nothing"
new_case missing-script
echo data > stats.log
start stats.log 1 nothere.scr; finish
has "FATAL: Specified FTP Script Not Found." err || fail "no FATAL text"
[ -f stats.log ] || fail "source file deleted"
[ ! -e ftp.log ] || fail "ftp ran"
grep -q SCAN out && fail "scanned"
end_case "$t"

t="a file present at start is uploaded with -s:SCRIPT, deleted, and a new round begins"
new_case upload
echo data > stats.log
start stats.log 1 up.scr
wait_for 10 test ! -e stats.log || fail "file not deleted"
wait_for 10 at_least 2 'FTP Script: up.scr' out || fail "no new round"
[ "$(cat ftp.log)" = "$dir|-s:up.scr" ] || fail "ftp got: $(cat ftp.log)"
kill -TERM "$pid"; finish
head -6 out | tr '\n' ' ' | grep -q "^Local SRC File: 'stats.log' Delay: 1 FTP Script: up.scr SCAN UPLOAD RESET " ||
  fail "unexpected first round: $(head -6 out | tr '\n' ' ')"
end_case "$t"

t="a failed upload keeps the file, retries after the delay, and sends it once the client works"
new_case failed-upload
echo "only copy" > stats.log; echo 1 > ftp.status
start stats.log 2 up.scr
wait_for 15 uploads_at_least 2 || fail "no retry"
[ -f stats.log ] || fail "file deleted after a failed upload"
grep -q RESET out && fail "RESET after a failed upload"
[ "$(count 'FTP Script: up.scr' out)" -eq 1 ] || fail "a new round began after a failure"
echo 0 > ftp.status
wait_for 15 test ! -e stats.log || fail "not sent once the client works"
kill -TERM "$pid"; finish
end_case "$t"

t="a missing ftp command keeps the file"
new_case missing-client
rm bin/ftp
echo "only copy" > stats.log
start stats.log 1 up.scr
wait_for 10 at_least 2 UPLOAD out || fail "no second attempt"
[ -f stats.log ] || fail "file deleted without a client"
kill -TERM "$pid"; finish
end_case "$t"

t="script removed while monitoring: the upload still runs, the next round shows FATAL"
new_case script-removed
start stats.log 1 up.scr
wait_for 10 has SLEEPING out || fail "never slept"
rm up.scr; echo data > stats.log
finish
[ "$(lines ftp.log)" -eq 1 ] || fail "ftp did not run once"
[ ! -e stats.log ] || fail "file not deleted"
has "FATAL: Specified FTP Script Not Found." err || fail "no FATAL text"
end_case "$t"

t="SIGTERM while sleeping ends the program after the wait, with no further scan"
new_case sigterm-sleeping
start stats.log 2 up.scr
wait_for 10 has SLEEPING out || fail "never slept"
scans=$(count SCAN out)
kill -TERM "$pid"; finish 10
[ "$(count SCAN out)" -eq "$scans" ] || fail "scanned after the stop request"
end_case "$t"

t="a second signal ends the program at once"
new_case second-signal
start stats.log 3600 up.scr
wait_for 10 has SLEEPING out || fail "never slept"
kill -TERM "$pid"; sleep 0.2; kill -INT "$pid"; finish 5
end_case "$t"

t="a signal during an upload lets it and the deletion complete, then exits 0"
new_case signal-during-upload
touch ftp.hold; echo data > stats.log
start stats.log 1 up.scr
wait_for 10 test -e ftp.started || fail "upload never started"
kill -HUP "$pid"; sleep 0.3; rm ftp.hold
finish
[ ! -e stats.log ] || fail "file not deleted"
[ "$(lines ftp.log)" -eq 1 ] || fail "more than one upload"
[ "$(count SCAN out)" -eq 1 ] || fail "scanned after the stop request"
end_case "$t"

t="a client that never ends: the tool waits showing UPLOAD"
new_case client-hangs
touch ftp.hold; echo data > stats.log
start stats.log 1 up.scr
wait_for 10 test -e ftp.started || fail "upload never started"
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the tool did not wait for the client"
[ "$(tail -n 1 out)" = UPLOAD ] || fail "last word: $(tail -n 1 out)"
[ -f stats.log ] || fail "file deleted while the client runs"
kill -9 "$pid"; wait "$pid" 2>/dev/null; rm -f ftp.hold
end_case "$t"

t="a client ended by Ctrl+C keeps the file and stops the tool"
new_case client-interrupted
touch ftp.interrupt; echo data > stats.log
start stats.log 1 up.scr
finish
[ -f stats.log ] || fail "file deleted after an interrupted upload"
end_case "$t"

t="a directory, FIFO, device or dangling link is never sent, deleted or created"
new_case not-regular
mkdir adir; mkfifo afifo; ln -s gone alink
for src in adir afifo alink /dev/null; do
  : > out
  start "$src" 0 up.scr
  wait_for 10 at_least 3 SLEEPING out || fail "$src: not scanning"
  kill -TERM "$pid"; finish
done
[ ! -e ftp.log ] || fail "sent: $(cat ftp.log)"
[ -d adir ] && [ -p afifo ] && [ -L alink ] && [ ! -e gone ] && [ -c /dev/null ] || fail "something changed"
end_case "$t"

# File permissions bind only an unprivileged user: as root, these cases run
# a copy of the tool as nobody, in a case directory handed to nobody.
start_unprivileged() {
  cp "$zwstats" "$dir/zwstats"
  if [ "$(id -u)" -eq 0 ]; then
    chown -R 65534:65534 "$dir"; chmod 711 "$root"
    PATH="$dir/bin" /usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups -- \
      "$dir/zwstats" "$@" > out 2> err < /dev/null &
  else
    PATH="$dir/bin" "$dir/zwstats" "$@" > out 2> err < /dev/null &
  fi
  pid=$!
  pids+=("$pid")
}

t="a source file that cannot be opened for reading is never sent nor deleted"
new_case unreadable
echo "only copy" > stats.log; chmod 000 stats.log
start_unprivileged stats.log 0 up.scr
wait_for 10 at_least 4 SLEEPING out || fail "not scanning"
[ ! -e ftp.log ] || fail "sent while unreadable"
[ -f stats.log ] || fail "deleted while unreadable"
chmod 644 stats.log
wait_for 10 test ! -e stats.log || fail "not sent once readable"
[ "$(lines ftp.log)" -eq 1 ] || fail "sent $(lines ftp.log) times"
kill -TERM "$pid"; finish
end_case "$t"

t="a source file that cannot be deleted is sent again every round, and kept"
new_case undeletable
mkdir src; echo "only copy" > src/stats.log; chmod 555 src
start_unprivileged src/stats.log 0 up.scr
wait_for 15 uploads_at_least 3 || fail "not sent again"
[ "$(cat src/stats.log)" = "only copy" ] || fail "file lost or changed"
at_least 3 "FTP Script: up.scr" out || fail "no new round after each upload"
chmod 755 src
wait_for 10 test ! -e src/stats.log || fail "not deleted once it can be"
kill -TERM "$pid"; finish
end_case "$t"

t="on a terminal the four lines are redrawn in place"
new_case terminal
if command -v script > /dev/null; then
  echo data > stats.log
  PATH="$dir/bin" "$(command -v script)" -qfc "$zwstats stats.log 1 up.scr" /dev/null > out 2> err < /dev/null &
  pid=$!; pids+=("$pid")
  wait_for 10 test ! -e stats.log || fail "file not deleted"
  wait_for 10 grep -q SLEEPING out || fail "never slept"
  kill -TERM "$pid" 2>/dev/null; wait_for 10 exited "$pid"
  grep -q $'\033\\[3A' out || fail "no in-place redraw"
  [ "$(grep -c 'FTP Script: up.scr' out)" -ge 1 ] || fail "no settings"
else
  echo "    (script(1) missing: terminal case not run)"
  case_ok=0
fi
end_case "$t"

t="on a terminal the message waits for Enter, its OK button"
new_case message-waits
if command -v script > /dev/null; then
  mkfifo keys
  "$(command -v script)" -qfc "$zwstats stats.log 1" /dev/null < keys > out 2> err &
  pid=$!; pids+=("$pid")
  exec 7> keys
  wait_for 10 has "Press Enter" out || fail "no prompt"
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "did not wait for Enter"
  printf '\n' >&7; exec 7>&-
  wait_for 10 exited "$pid" || fail "Enter did not dismiss the message"
  has "usage:" out || fail "no usage text"
else
  case_ok=0
fi
end_case "$t"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
