#!/bin/bash
# zwstats.exe under Wine, watched from outside through the probe program:
# the two message boxes, and real uploads to a loopback FTP server.
# Needs DISPLAY and WINEPREFIX from the caller.
set -u
wine=$1 zwstats=$2 probe_exe=$3 ftp=$4
. "$(dirname "$0")/lib.sh"
usage=$'=TOVEK= ZW stats server for QK\n\nusage:\n<Local SRC file to mirror> <Delay in Secs> <Local FTP Script>'
# Where the window stands on the runner's 1024x768 screen.
expected_rect="141 196 541 316"

work=$(mktemp -d "$(dirname "$zwstats")/system-test.XXXXXX")
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
cp "$ftp" ftp.exe

# One box case: start zwstats with the arguments, read the box, press OK.
box_case() {
  local name=$1 text=$2; shift 2
  "$wine" "$zwstats" "$@" >/dev/null 2>&1 &
  local pid=$!
  local shown; shown=$(probe box "$caption" 30000)
  check_eq "$name: box text" "$shown" "$text"
  check_eq "$name: status window up with the box" "$(probe window 5000)" "$expected_rect"
  probe click "$caption" 5000
  wait_status $pid
  check_eq "$name: exit status 0 after OK" "$status" 0
}

box_case "missing script" "$fatal" src.log 1 missing.scr
box_case "short command line" "$usage" src.log 1
box_case "no arguments" "$usage"

# A loopback FTP server on a free port, one writable user.
mkdir server
cat > server.py <<'PY'
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
authorizer = DummyAuthorizer()
authorizer.add_user("zw", "secret", sys.argv[1], perm="elradfmw")
FTPHandler.authorizer = authorizer
FTPHandler.passive_ports = None
server = FTPServer(("127.0.0.1", 0), FTPHandler)
with open(sys.argv[2] + ".tmp", "w") as f:
    f.write(str(server.address[1]))
import os; os.rename(sys.argv[2] + ".tmp", sys.argv[2])
server.serve_forever(timeout=0.5)
PY
/usr/bin/python3 server.py "$work/server" "$work/port" >server.log 2>&1 &
server_pid=$!
for _ in $(seq 100); do [ -s port ] && break; sleep 0.1; done
port=$(cat port 2>/dev/null)
check "ftp server listening" test -n "$port"

printf 'open 127.0.0.1 %s\r\nzw\r\nsecret\r\nbinary\r\nput src.log stats.log\r\nbye\r\n' "$port" > up.scr
head -c 70000 /dev/urandom > expected.bin
cp expected.bin src.log
touch gate
export ZWSTATS_FTP_GATE=$("$wine" winepath -w "$work/gate" 2>/dev/null | tr -d "\r")
"$wine" "$zwstats" src.log 1 up.scr >/dev/null 2>&1 &
pid=$!
for _ in $(seq 300); do cmp -s expected.bin server/stats.log && break; sleep 0.1; done
check "upload: file arrives byte for byte" cmp -s expected.bin server/stats.log
first_rect=$(probe window 5000)
check_eq "upload: first window in place" "$first_rect" "$expected_rect"
# The script goes while the upload runs, so the next round finds it missing.
rm -f up.scr gate
for _ in $(seq 300); do [ -e src.log ] || break; sleep 0.1; done
check "upload: source file deleted" test ! -e src.log
shown=$(probe box "$caption" 30000)
check_eq "next round: FATAL box" "$shown" "$fatal"
check_eq "next round: window at the same place" "$(probe window 5000)" "${first_rect:-none}"
sleep 3
check_eq "next round: FATAL box still open after 3 s" "$(probe box "$caption" 1000)" "$fatal"
check "next round: program still running under its box" kill -0 $pid
probe click "$caption" 5000
wait_status $pid
check_eq "next round: exit status 0 after OK" "$status" 0

finish_tests
