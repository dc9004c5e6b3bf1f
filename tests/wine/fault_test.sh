#!/bin/bash
# zwstats.exe under Wine against the faults it must survive without losing a
# file: no client, a failing client, a source held open by another process
# (without read sharing, then without delete sharing), a client that never
# ends, and the window closed under the FATAL box. The client is a fake
# ftp.bat in the working directory (cmd finds it before PATH) that copies
# src.log to received\N.bin and exits with the status in rc.txt.
# Needs DISPLAY and WINEPREFIX from the caller.
set -u -o pipefail
wine=$1 zwstats=$2 probe_exe=$3
. "$(dirname "$0")/lib.sh"

work=$(mktemp -d "$(dirname "$zwstats")/fault-test.XXXXXX")
started=()
cleanup() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
cp "$probe_exe" "$work/probe.exe"
probe_exe="$work/probe.exe"
absent() { test ! -e "$1"; }
sent_at_least() { test "$(sent)" -ge "$1" 2>/dev/null; }
all_copies_match() { # every copy the client got equals the expected bytes
  local copy any=1
  for copy in received/*.bin; do [ -e "$copy" ] || return 1; cmp -s expected.bin "$copy" || any=0; done
  [ "$any" = 1 ]
}
new_case() { # a fresh working directory with a script and a source file
  mkdir "$work/$1" && cd "$work/$1" || exit 1
  mkdir received
  echo "user x" > s.scr
  head -c 3000 /dev/urandom > expected.bin
  cp expected.bin src.tmp && mv src.tmp src.log
  set_rc 0
}
start_tool() { # delay: zwstats on src.log in the current directory
  "$wine" "$zwstats" src.log "$1" s.scr >/dev/null 2>&1 &
  tool=$!
  started+=("$tool")
}
start_hold() { # share mode, seconds: the probe holds src.log open
  "$wine" "$probe_exe" hold src.log "$1" "$2" >hold.out 2>&1 &
  holder=$!
  started+=("$holder")
  wait_for 30 grep -q held hold.out
}
# A case ends by touching "last": the next client run removes the script
# (inside the upload, after the round's own check), so the round after the
# deletion shows the FATAL box, and OK ends the tool with status 0.
finish() { # case name
  local shown; shown=$(probe box "$caption" 30000)
  check_eq "$1: FATAL box after the last round" "$shown" "$fatal"
  probe click "$caption" 5000
  wait_status "$tool"
  check_eq "$1: exit status 0" "$status" 0
}
# Watches a condition the whole time another process lives; fails if it
# was ever false while that process was still there.
holds_while_alive() { # pid, then a command
  local pid=$1; shift
  while kill -0 "$pid" 2>/dev/null; do
    "$@" || { kill -0 "$pid" 2>/dev/null && return 1; }
    sleep 0.1
  done
}

# No ftp anywhere: cmd answers 9009, the file stays, and the first round
# after a working client appears sends and deletes it.
new_case no-client
start_tool 1
check "no client: window up" eval "probe window 30000 >/dev/null"
sleep 3 # three rounds at delay 1 with nothing to run
check "no client: file kept" cmp -s expected.bin src.log
check "no client: tool still watching" kill -0 "$tool"
touch last
install_client
check "no client: sent once the client works" wait_for 30 absent src.log
check "no client: sent exactly as written" all_copies_match
finish "no client"

# A client that fails: the file stays and is sent again after each delay,
# then deleted once the client succeeds.
new_case failing-client
set_rc 1
install_client
start_tool 0
check "failing client: retried" wait_for 30 sent_at_least 3
check "failing client: file kept" cmp -s expected.bin src.log
touch last
set_rc 0
check "failing client: deleted after success" wait_for 30 absent src.log
check "failing client: every attempt got the file as written" all_copies_match
finish "failing client"

# Held without read sharing: the probe cannot open it, so it is neither sent
# nor deleted while held, and goes out once released.
new_case held-no-read
install_client
start_hold 0 6
start_tool 0
check "held, no read sharing: window up" eval "probe window 30000 >/dev/null"
untouched() { absent count.txt && cmp -s expected.bin src.log; }
check "held, no read sharing: never sent nor deleted while held" holds_while_alive "$holder" untouched
touch last
check "held, no read sharing: sent after release" wait_for 30 absent src.log
check "held, no read sharing: sent as written" all_copies_match
finish "held, no read sharing"

# Held with read sharing only: it is sent, the delete fails, and the next
# round sends it again; nothing is lost.
new_case held-no-delete
install_client
start_hold 1 30
start_tool 0
check "held, no delete sharing: sent again every round" wait_for 30 sent_at_least 3
check "held, no delete sharing: file kept while held" cmp -s expected.bin src.log
check "held, no delete sharing: holder still holds it" kill -0 "$holder"
kill "$holder"; wait "$holder" 2>/dev/null
touch last
check "held, no delete sharing: deleted after release" wait_for 30 absent src.log
check "held, no delete sharing: every copy as written" all_copies_match
finish "held, no delete sharing"

# A client that never ends: the tool waits for it with its window up and the
# file in place; the upload completes when the client does.
new_case endless-client
touch flag
install_client $':wait\r\nif exist flag (probe hold flag 7 1 >nul & goto wait)\r\n'
start_tool 0
check "endless client: started" wait_for 30 sent_at_least 1
sleep 3 # the client keeps running
check "endless client: tool still waiting" kill -0 "$tool"
check "endless client: window up" eval "probe window 5000 >/dev/null"
check "endless client: file not deleted" cmp -s expected.bin src.log
check "endless client: no second upload started" test "$(sent)" = 1
touch last
rm flag
check "endless client: deleted once the client ends" wait_for 30 absent src.log
check "endless client: sent as written" all_copies_match
finish "endless client"

# The window closed while the FATAL box is open, in the round after an
# upload: the box's own message loop carries the close to the window; the
# upload and deletion are done, and OK then ends the tool with status 0.
new_case close-under-box
install_client
touch last
start_tool 0
check "close under box: uploaded and deleted" wait_for 30 absent src.log
check_eq "close under box: FATAL box" "$(probe box "$caption" 30000)" "$fatal"
check "close under box: window up" eval "probe window 5000 >/dev/null"
probe close 5000
check "close under box: window gone" wait_for 20 window_gone
check_eq "close under box: box still open" "$(probe box "$caption" 1000)" "$fatal"
probe click "$caption" 5000
wait_status "$tool"
check_eq "close under box: exit status 0 after OK" "$status" 0
check_eq "close under box: sent once" "$(sent)" 1
check "close under box: sent as written" all_copies_match

finish_tests
