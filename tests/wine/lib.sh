# Shared by the tests of zwstats.exe under Wine: checks, polling with
# deadlines, the probe, and a fake ftp.bat client. The sourcing script sets
# $wine and $probe_exe first; DISPLAY and WINEPREFIX come from the runner.
caption="ver 1.00 by Dorvenal"
fatal="FATAL: Specified FTP Script Not Found."
passed=0 failed=0

check() { # name, then a command that must succeed
  local name=$1; shift
  if "$@"; then echo "ok: $name"; passed=$((passed + 1)); else echo "FAIL: $name"; failed=$((failed + 1)); fi
}
check_eq() { # name, actual, expected: shows both when they differ
  if [ "$2" = "$3" ]; then check "$1" true; else check "$1 (got '$2', expected '$3')" false; fi
}
finish_tests() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
wait_for() { # seconds, then a command: polls it every 0.1 s until it succeeds
  local tenths=$(($1 * 10)); shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  "$@"
}
ended() { ! kill -0 "$1" 2>/dev/null; }
wait_status() { # pid: waits at most 30 s for it to end; sets $status
  # Not in a command substitution: only this shell can wait for its child.
  local pid=$1
  wait_for 30 ended "$pid"
  if ! ended "$pid"; then kill "$pid"; status=timeout; return; fi
  wait "$pid"; status=$?
}

probe() { "$wine" "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }
window_gone() { ! probe window 500 >/dev/null; }

# The fake client: ftp.bat in the working directory (cmd finds it before
# PATH) counts its runs in count.txt, copies src.log to received\N.bin, runs
# the extra lines given, removes the script once "last" exists (so the next
# round shows the FATAL box), and exits with the status in rc.txt.
install_client() { # extra lines run after the copy, before the exit
  printf '@echo off\r\nset /a n=0\r\nif exist count.txt set /p n=<count.txt\r\nset /a n=n+1\r\n' > ftp.bat
  printf '>count.txt echo %%n%%\r\ncopy /y src.log received\\%%n%%.bin >nul\r\n%s' "${1:-}" >> ftp.bat
  printf 'if exist last if exist s.scr del s.scr\r\nset /p rc=<rc.txt\r\nexit /b %%rc%%\r\n' >> ftp.bat
}
set_rc() { printf '%s\r\n' "$1" > rc.tmp && mv rc.tmp rc.txt; }
sent() { cat count.txt 2>/dev/null | tr -d '\r ' || true; }
