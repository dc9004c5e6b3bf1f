#!/bin/bash
# The Windows ZIP package: made by CPack from the build tree, it holds
# exactly zwstats.exe (the built one, byte for byte), README.txt and the
# example script, under one top folder named for the version and platform,
# with the text files in CR LF.
set -u
cpack=$1 build=$2 exe=$3 platform=$4
top="zwstats-1.00-$platform"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() { # name, then a command that must succeed
  local name=$1; shift
  if "$@"; then echo "ok: $name"; passed=$((passed + 1)); else echo "FAIL: $name"; failed=$((failed + 1)); fi
}

(cd "$build" && "$cpack" -G ZIP -B "$work/out") >"$work/cpack.log" 2>&1
check "cpack makes $top.zip" test -f "$work/out/$top.zip"
/usr/bin/python3 - "$work/out/$top.zip" "$work/unpacked" >"$work/list" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for name in sorted(z.namelist()):
        if not name.endswith("/"):
            print(name)
    z.extractall(sys.argv[2])
PY
expected=$(printf '%s\n' "$top/README.txt" "$top/examples/upload.scr" "$top/zwstats.exe")
check "the package holds exactly the exe, README.txt and the example" test "$(cat "$work/list")" = "$expected"
check "the packaged exe is the built one" cmp -s "$exe" "$work/unpacked/$top/zwstats.exe"
crlf_only() { # every line ends in CR LF, and there is at least one
  local file=$1
  [ -s "$file" ] && [ "$(grep -c $'\r$' "$file")" = "$(wc -l < "$file")" ]
}
check "README.txt in CR LF" crlf_only "$work/unpacked/$top/README.txt"
check "upload.scr in CR LF" crlf_only "$work/unpacked/$top/examples/upload.scr"
check "README.txt names version 1.00" grep -q 'zwstats 1.00' "$work/unpacked/$top/README.txt"
[ "$failed" -eq 0 ] || cat "$work/cpack.log"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
