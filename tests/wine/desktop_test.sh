#!/bin/bash
# Runs the real-window placement test on a Wine virtual desktop of one size.
# explorer does not hand back the test's exit status, so the result is read
# from GoogleTest's XML report. Needs DISPLAY and WINEPREFIX from the caller.
wine=$1 size=$2 tests=$3
report=$(mktemp -d)/placement.xml
trap 'rm -rf "$(dirname "$report")"' EXIT
ZWSTATS_DESKTOP=$size WINEDEBUG=-all "$wine" explorer "/desktop=zw$size,$size" \
  "$("$wine" winepath -w "$tests" 2>/dev/null | tr -d "\r")" --gtest_filter=WindowGeometry.RealWindowOnDesktop \
  "--gtest_output=xml:$("$wine" winepath -w "$report" 2>/dev/null | tr -d "\r")" >/dev/null 2>&1 &
for _ in $(seq 300); do
  [ -s "$report" ] && grep -q '</testsuites>' "$report" && break
  sleep 0.1
done
wait
# The virtual desktop outlives the test, and later programs of this prefix
# would open on it: end the prefix's processes (the next start is quick).
"$(dirname "$wine")/wineserver" -k 2>/dev/null
[ -s "$report" ] || { echo "no report from the placement test on $size"; exit 1; }
cat "$report"
grep -q 'tests="1" failures="0"' "$report" && ! grep -q '<skipped' "$report"
