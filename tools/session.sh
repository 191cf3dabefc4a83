# Sourced by tools/test and tools/run: one virtual X display and one Wine prefix
# for a run, both ended by session_stop.
. "$(dirname "${BASH_SOURCE[0]}")/wine-loader.sh"
#   session_start BUILD_DIR [WIDTHxHEIGHT]  exports DISPLAY and WINEPREFIX
#   session_stop

session_free_display() {
  local n
  for n in $(seq 91 160); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      echo "$n"; return 0
    fi
  done
  return 1
}

session_start_display() {
  local size=${1:-1024x768}
  local n
  n=$(session_free_display) || { echo "no free X display number" >&2; return 1; }
  Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
  SESSION_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  export DISPLAY=":$n"
}

# Japanese dialog fonts come from the IPA fonts; Wine looks the template's font
# up through these substitutes.
session_configure_prefix() {
  local subst='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  local name
  for name in "ＭＳ Ｐゴシック" "MS PGothic" "MS UI Gothic" "ＭＳ ゴシック" "MS Gothic" "MS Shell Dlg"; do
    "$(wine_loader)" reg add "$subst" /v "$name" /t REG_SZ /d "IPAPGothic" /f >/dev/null 2>&1
  done
  "$(wine_loader)" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # No window manager runs on the virtual display; unmanaged windows close at
  # once instead of Wine waiting for one.
  "$(wine_loader)" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  # No just-in-time debugger, as on a machine without one: the system's
  # unhandled-exception filter then answers EXCEPTION_EXECUTE_HANDLER.
  local aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
  "$(wine_loader)" reg add "$aedebug" /v Debugger /t REG_SZ /d "no-debugger.exe" /f >/dev/null 2>&1
  "$(wine_loader)" reg add "$aedebug" /v Auto /t REG_SZ /d "1" /f >/dev/null 2>&1
}

session_start_prefix() {
  local build=$1
  mkdir -p "$build"
  export WINEPREFIX="$build/wineprefix"
  export WINELOADER="$(wine_loader)"
  export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -z "${KEEP_PREFIX:-}" ]; then
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Booting a Wine prefix in $WINEPREFIX ..."
    "$(wine_loader)" wineboot -i >/dev/null 2>&1
    wineserver -w
    session_configure_prefix
  fi
  # Start the server and the prefix's services now, detached from our output:
  # started by the first test instead, they would inherit its output pipe and
  # keep ctest waiting for it to close.
  WINESERVER="$(dirname "$(wine_loader)")/wineserver64"
  [ -x "$WINESERVER" ] || WINESERVER=wineserver
  "$WINESERVER" -p >/dev/null 2>&1 || true
  "$(wine_loader)" wineboot >/dev/null 2>&1 || true
}

session_start() {
  session_start_display "${2:-1024x768}"
  session_start_prefix "$1"
}

session_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "${SESSION_XVFB_PID:-}" ]; then
    kill "$SESSION_XVFB_PID" >/dev/null 2>&1 || true
    wait "$SESSION_XVFB_PID" 2>/dev/null || true
  fi
}
