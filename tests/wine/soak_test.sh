#!/bin/bash
# zwstats.exe under Wine for many consecutive rounds at delay 0: a producer
# here writes a distinct file each time the previous one is gone, a fake
# ftp.bat copies each upload to received\N.bin. Handle and window counts,
# sampled through the probe while the tool idles between files, must stay
# flat; every file must reach the client once, exactly as written.
# Usage: soak_test.sh WINE ZWSTATS PROBE [ROUNDS]   (needs DISPLAY, WINEPREFIX)
set -u -o pipefail
wine=$1 zwstats=$2 probe_exe=$3 rounds=${4:-100}
# Counted every 25 rounds, or more often in a short run, so that even a
# short run has samples to compare.
every=$((rounds / 4)); [ "$every" -le 25 ] || every=25; [ "$every" -ge 1 ] || every=1
. "$(dirname "$0")/lib.sh"

work=$(mktemp -d "$(dirname "$zwstats")/soak-test.XXXXXX")
tool=
cleanup() {
  [ -n "$tool" ] && kill "$tool" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
cp "$probe_exe" probe.exe
probe_exe="$work/probe.exe"
taken() { test ! -e src.log && test "$(sent)" = "$1"; }

mkdir received expected
echo "user x" > s.scr
# Touching "last" makes the next client run remove the script, so the round
# after that upload shows the FATAL box and OK ends the tool.
install_client
set_rc 0

start=$SECONDS
"$wine" "$zwstats" src.log 0 s.scr >/dev/null 2>&1 &
tool=$!
samples=()
lost=0
for i in $(seq "$rounds"); do
  # Between files the tool only scans: the quiet moment to count.
  if [ $((i % every)) -eq 1 ] || [ "$every" -eq 1 ]; then
    if [ "$i" -gt 1 ]; then
      sample=$(probe counts 10000) || sample="none"
      samples+=("$sample")
      echo "round $((i - 1)): USER GDI HANDLES WINDOWS TABLE = $sample"
    fi
  fi
  [ "$i" -eq "$rounds" ] && touch last
  { echo "file $i of $rounds"; head -c $((100 + i * 37)) /dev/urandom; } > "expected/$i.bin"
  cp "expected/$i.bin" src.tmp && mv src.tmp src.log
  if ! wait_for 30 taken "$i"; then echo "round $i: not taken within 30 s"; lost=1; break; fi
done
elapsed=$((SECONDS - start))
echo "$rounds rounds in $elapsed s"

check "every round completed" test "$lost" = 0
check "client ran once per file" test "$(sent)" = "$rounds"
mismatched=0
for i in $(seq "$rounds"); do cmp -s "expected/$i.bin" "received/$i.bin" || mismatched=$((mismatched + 1)); done
check "every file reached the client as written" test "$mismatched" = 0
check "no extra uploads" test "$(ls received | wc -l)" = "$rounds"

# The first sample comes after the warm-up rounds; later ones must match it.
# The handle table may move by one or two: Wine's own threads in the
# process (the console and timer helpers) open and close handles of their
# own, not the tool's; a leak of one per round would add 25 per sample.
flat() {
  [ ${#samples[@]} -ge 2 ] || return 1
  local base=(${samples[0]}) s cur k
  [ "${samples[0]}" != none ] || return 1
  for s in "${samples[@]}"; do
    [ "$s" != none ] || return 1
    cur=($s)
    for k in 0 1 2 3; do [ "${cur[$k]}" = "${base[$k]}" ] || return 1; done
    [ $((cur[4] - base[4])) -le 2 ] && [ $((base[4] - cur[4])) -le 2 ] || return 1
  done
}
check "counts flat over ${#samples[@]} samples" flat

check_eq "FATAL box after the last round" "$(probe box "$caption" 30000)" "$fatal"
probe close 5000
check "window closed under the box" wait_for 20 window_gone
probe click "$caption" 5000
wait_status "$tool"
tool=
check_eq "exit status 0" "$status" 0

finish_tests
