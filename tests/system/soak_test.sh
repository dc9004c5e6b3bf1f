#!/usr/bin/env bash
# Soak of the real zwstats binary: consecutive rounds at delay 0 with a fast
# fake `ftp` that copies the source file into received/ under a sequence
# number, and a producer (this script) that writes a new, distinct source file
# each time the previous one is gone. Resident memory and open descriptors are
# sampled every tenth of the run at the same point of a round (just after the
# deletion, before the next file exists, so never mid-upload); they must stay
# flat, and every produced file must reach the client byte for byte.
# Usage: soak_test.sh PATH/TO/zwstats [ROUNDS]   (ROUNDS defaults to 100)
set -u
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
zwstats=$(realpath "$1")
rounds=${2:-100}
rss_bound_kb=64     # allowed growth after warm-up
round_deadline=20   # seconds one file may take to be sent and deleted

dir=$(mktemp -d /tmp/zwstats-soak.XXXXXX)
pid=""
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
cd "$dir" || exit 1

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

received_count() { find received -name '[0-9]*' -type f | wc -l; }
received_at_least() { [ "$(received_count)" -ge "$1" ]; }

mkdir bin received produced
# Refuses any other argument, so a wrong command line keeps the file and
# stalls the soak instead of passing it.
cat > bin/ftp <<'FTP'
#!/bin/sh
PATH=/usr/bin:/bin
[ "$#" -eq 1 ] && [ "$1" = "-s:up.scr" ] || exit 1
n=$(( $(cat received/count 2>/dev/null || echo 0) + 1 ))
echo "$n" > received/count
exec cp stats.log "received/$(printf %06d "$n")"
FTP
chmod +x bin/ftp
echo "open 127.0.0.1" > up.scr

PATH="$dir/bin" "$zwstats" stats.log 0 up.scr > out 2> err < /dev/null &
pid=$!

interval=$((rounds / 10)); [ "$interval" -ge 1 ] || interval=1
sample_rounds=() rss=() fds=()
sample() {
  local kb
  kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
  sample_rounds+=("$1")
  rss+=("${kb:-0}")
  fds+=("$(ls "/proc/$pid/fd" 2>/dev/null | wc -l)")
}

wait_for 10 grep -q -x SLEEPING out || fail "zwstats never started scanning"
started=$SECONDS
for ((i = 1; i <= rounds; i++)); do
  if ! wait_for "$round_deadline" test ! -e stats.log; then
    fail "file $((i - 1)) neither sent nor deleted within ${round_deadline}s"
    break
  fi
  [ $(((i - 1) % interval)) -eq 0 ] && sample $((i - 1))
  name=$(printf %06d "$i")
  { echo "file $i of $rounds"; head -c $((RANDOM % 8192)) /dev/urandom; } > "produced/$name"
  # Written aside and renamed in, so a probe never sees a half-written file.
  cp "produced/$name" .next && mv -f .next stats.log
done
if [ "$failures" -eq 0 ]; then
  wait_for "$round_deadline" test ! -e stats.log || fail "last file not deleted"
  sample "$rounds"
fi
elapsed=$((SECONDS - started))

kill -TERM "$pid"
if wait_for 10 exited "$pid"; then
  wait "$pid"; rc=$?
  [ "$rc" -eq 0 ] || fail "exit status $rc after SIGTERM"
else
  fail "still running 10s after SIGTERM"
fi
pid=""

produced=$(find produced -type f | wc -l)
got=$(received_count)
[ "$got" -eq "$produced" ] || fail "produced $produced files, the client received $got"
if ! diff <(cd produced && sha256sum -- *) <(cd received && sha256sum -- [0-9]*) > sums.diff; then
  fail "received files differ from the produced ones:"; head -5 sums.diff
fi
uploads=$(grep -c -x UPLOAD out); resets=$(grep -c -x RESET out)
[ "$uploads" -eq "$produced" ] && [ "$resets" -eq "$produced" ] ||
  fail "$produced files but $uploads UPLOAD and $resets RESET lines"
[ ! -s err ] || fail "stderr: $(head -3 err)"

echo "rounds  VmRSS_kB  open_fds"
for k in "${!rss[@]}"; do
  printf '%6d  %8d  %8d\n' "${sample_rounds[$k]}" "${rss[$k]}" "${fds[$k]}"
done
if [ "${#rss[@]}" -ge 3 ]; then
  # The first sample is taken before any upload; the next one ends the warm-up.
  warm=${rss[1]} last=${rss[-1]} peak=${rss[1]}
  for kb in "${rss[@]:1}"; do [ "$kb" -gt "$peak" ] && peak=$kb; done
  echo "RSS after warm-up ${warm} kB, last ${last} kB, peak ${peak} kB (growth $((last - warm)) kB, bound ${rss_bound_kb} kB)"
  [ $((peak - warm)) -le "$rss_bound_kb" ] || fail "resident memory grew from $warm kB to $peak kB"
  for n in "${fds[@]}"; do
    [ "$n" -eq "${fds[0]}" ] || fail "open descriptors changed: ${fds[*]}"
    [ "$n" -eq "${fds[0]}" ] || break
  done
else
  fail "only ${#rss[@]} samples taken"
fi
echo "$got of $produced files received in ${elapsed}s"

if [ "$failures" -eq 0 ]; then echo "ok   soak of $rounds rounds"; exit 0; fi
echo "FAIL soak of $rounds rounds ($failures failures)"; exit 1
