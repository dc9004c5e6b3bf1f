#!/bin/bash
# Fails when the exe imports any DLL beyond those every Windows has.
objdump=$1 exe=$2
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "no import table read from $exe"; exit 1; }
status=0
while read -r dll; do
  case "$dll" in
    KERNEL32.dll|USER32.dll|msvcrt.dll) echo "ok: $dll" ;;
    *) echo "unexpected import: $dll"; status=1 ;;
  esac
done <<< "$dlls"
exit $status
