# Sourced by the scripts that run the Windows programs under Wine: a private
# Xvfb screen, the Wine loader for a preset, and a prefix booted once.
# Everything started here is ended by pid or by its own prefix.

XVFB_PID=""
WINE_LOADER_DIR=/usr/lib/wine
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# start_xvfb WxH: a free display number (no lock file, no socket); sets
# DISPLAY and XVFB_PID.
start_xvfb() {
  local n display=""
  for n in $(seq 90 200); do
    if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then display=$n; break; fi
  done
  [ -n "$display" ] || { echo "no free X display" >&2; return 1; }
  Xvfb ":$display" -screen 0 "${1}x24" -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
  export DISPLAY=":$display"
}
stop_xvfb() {
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
}

# wine_for PRESET: prints the loader that runs that preset's programs.
wine_for() {
  if [ "$1" = win32 ]; then echo "$WINE_LOADER_DIR/wine"; else echo "$WINE_LOADER_DIR/wine64"; fi
}
# wine_runs PRESET: true when this kernel can start that loader (a kernel
# without 32-bit support cannot start the i386 one).
wine_runs() { "$(wine_for "$1")" --version >/dev/null 2>&1; }
# windows_preset: the tool's own win32, or win64 where win32 cannot run.
windows_preset() { if wine_runs win32; then echo win32; else echo win64; fi; }

# use_prefix PRESET DIR [DESKTOP]: exports WINEPREFIX, WINEARCH, WINELOADER
# and WINE for the preset and boots the prefix the first time (~15 s).
# DESKTOP (WxH) puts every program of the prefix on one virtual desktop.
use_prefix() {
  export WINE WINELOADER WINEPREFIX=$2 WINEARCH=win64
  WINE=$(wine_for "$1")
  WINELOADER=$WINE
  [ "$1" = win32 ] && WINEARCH=win32
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  echo "booting a Wine prefix in $WINEPREFIX (once, about 15 s)" >&2
  rm -rf "$WINEPREFIX"
  "$WINE" wineboot -i >/dev/null 2>&1
  if [ -n "${3:-}" ]; then
    "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$3" /f >/dev/null 2>&1
    "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  fi
  # Wait for the boot's processes to end, so the registry is written out.
  "$WINE_LOADER_DIR/wineserver" -w
}
# stop_prefix: ends every process of the current prefix.
stop_prefix() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && "$WINE_LOADER_DIR/wineserver" -k 2>/dev/null
  return 0
}
